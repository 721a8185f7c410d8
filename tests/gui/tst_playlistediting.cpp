#include "card/tracknames.h"
#include "commands/commandencoder.h"
#include "frmadv.h"
#include "frmmain.h"
#include "support/helpers.h"
#include "support/scriptedplatform.h"
#include "support/testcard.h"

#include <QtTest>
#include <QtWidgets>

using namespace Vexolo;

class TestPlaylistEditing : public QObject
{
    Q_OBJECT

    ScriptedPlatform m_platform;
    std::unique_ptr<TestCard> m_card;
    std::unique_ptr<frmMain> m_window;

private Q_SLOTS:
    void init()
    {
        m_card = std::make_unique<TestCard>();
        m_card->addFiles({"A.mp3", "B.mp3", "C.mp3"});
        m_card->write("B.adv", "B.mp31V5 P30");
        m_window = std::make_unique<frmMain>(m_platform);
        m_window->drvCard->setEditText(m_card->root());
    }

    void addingBringsEachTracksCommandString()
    {
        m_window->cmdAdd->click(); // nothing selected: nothing added
        m_window->lstCard->setCurrentRow(1);
        m_window->cmdAdd->click();
        const QPoint first = m_window->lstCard->visualItemRect(m_window->lstCard->item(0)).center();
        QTest::mouseClick(m_window->lstCard->viewport(), Qt::LeftButton, {}, first);
        QTest::mouseDClick(m_window->lstCard->viewport(), Qt::LeftButton, {}, first);
        m_window->txtName->setText("Party");
        m_window->cmdAddAll->click();
        QCOMPARE(frmMain::rowTexts(m_window->lstList), (QStringList {"B.mp3", "A.mp3", "A.mp3", "B.mp3", "C.mp3"}));
        QCOMPARE(frmMain::rowTexts(m_window->lstListAdv),
                 (QStringList {"B.mp31V5 P30", "A.mp3 V7", "A.mp3 V7", "B.mp31V5 P30", "C.mp3 V7"}));
        m_window->cmdClear->click();
        QCOMPARE(m_window->lstList->count() + m_window->lstListAdv->count(), 0);
        QCOMPARE(m_window->txtName->text() + m_window->txtList->text(), QStringLiteral("Party1"));
    }

    void moveAtTheEnds()
    {
        // Up or down, the row selected before and after (-1: none), the playlist after.
        const QList<std::tuple<bool, int, int, QString>> cases {{true, 0, 0, "ABC"},   {false, 2, 2, "ABC"},
                                                                {true, -1, -1, "ABC"}, {false, -1, -1, "ABC"},
                                                                {false, 0, 1, "BAC"},  {true, 2, 1, "ACB"}};
        for (const auto &[up, selected, selectedAfter, expected] : cases) {
            m_window->cmdClear->click();
            m_window->cmdAddAll->click();
            m_window->lstList->setCurrentRow(selected);
            (up ? m_window->cmdMoveUp : m_window->cmdMoveDown)->click();
            QCOMPARE(frmMain::rowTexts(m_window->lstList).join("").remove(".mp3"), expected);
            QCOMPARE(frmMain::rowTexts(m_window->lstListAdv).join("").remove(".mp31V5 P30").remove(".mp3 V7"),
                     expected);
            QCOMPARE(frmMain::selectedRow(m_window->lstList), selectedAfter);
        }
    }

    void pastingSettings()
    {
        // 79 characters on A's name; on Long.mp3's name the string would be 82: nothing changes.
        const QString full = "A.mp3 V7" + QString(" P1234").repeated(10) + " 1+12345678";
        m_card->write("A.adv", full.toUtf8());
        m_card->addFiles({"Long.mp3"});
        m_window->drvCard_Change();
        m_window->cmdAddAll->click();
        m_window->lstList->setCurrentRow(0);
        m_window->copyEntrySettings();
        const QStringList added = frmMain::rowTexts(m_window->lstListAdv);
        m_window->pasteSettingsToAllEntries();
        QCOMPARE(m_platform.shown, QStringList {"Too many times!\n82 charachters out of 79!\nLong.mp3" + full.mid(5)});
        QCOMPARE(frmMain::rowTexts(m_window->lstListAdv), added);
        m_window->lstList->setCurrentRow(3);
        m_window->cmdRemove->click();
        m_window->pasteSettingsToAllEntries(); // one step: one undo brings every entry back
        QCOMPARE(frmMain::rowTexts(m_window->lstListAdv), QStringList({full, "B" + full.mid(1), "C" + full.mid(1)}));
        m_window->history().undo();
        QCOMPARE(frmMain::rowTexts(m_window->lstListAdv), added.first(3));
        m_window->lstCard->setCurrentRow(1); // a card track: its own command file, at once
        m_window->pasteCardSettings();
        QCOMPARE(m_card->read("B.adv"), ("B" + full.mid(1)).toUtf8());
    }

    void listsStayInStepAfterRandomEditing()
    {
        // Every entry gets a unique string (from its track's command file), so a string that strays from its track
        // is seen at once. Entries are (name, string, id); undo and redo return to earlier states of the model.
        QRandomGenerator random(20261206);
        using Entries = QList<std::tuple<QString, QString, int>>;
        Entries expected;
        QList<Entries> states {expected};
        qsizetype now = 0;
        int advancedFor = -1; // the id of the entry the advanced window was opened for
        for (int step = 0, tag = 0; step < 600; ++step) {
            const int count = int(expected.size());
            const int selected = count ? random.bounded(-1, count) : -1;
            m_window->lstList->setCurrentRow(selected);
            const Entries before = expected;
            const int operation = random.bounded(11);
            if (operation <= 1) {
                const QString track = m_window->lstCard->item(random.bounded(3))->text();
                m_card->write(QString(track).replace(".mp3", ".adv"),
                              (track + " V7 P" + QString::number(++tag)).toUtf8());
                m_window->lstCard->setCurrentRow(m_window->lstCard->row(m_window->lstCard->findItems(track, {})[0]));
                m_window->cmdAdd->click();
                expected.append({track, track + " V7 P" + QString::number(tag), tag});
            } else if (operation == 2) {
                m_window->cmdRemove->click();
                if (selected >= 0)
                    expected.removeAt(selected);
            } else if (operation == 3) {
                m_window->cmdMoveUp->click();
                if (selected > 0)
                    expected.swapItemsAt(selected, selected - 1);
            } else if (operation == 4) {
                m_window->cmdMoveDown->click();
                if (selected >= 0 && selected < count - 1)
                    expected.swapItemsAt(selected, selected + 1);
            } else if (operation == 5 && count > 1) {
                // A drop arrives as a row move of the list's model, as QListWidget's internal move does.
                const int from = random.bounded(count);
                const int to = random.bounded(count + 1);
                if (to != from && to != from + 1) {
                    QVERIFY(m_window->lstList->model()->moveRow(QModelIndex(), from, QModelIndex(), to));
                    expected.move(from, to > from ? to - 1 : to);
                }
            } else if (operation == 6 && selected >= 0) {
                m_window->cmdListAdvanced->click();
                advancedFor = std::get<2>(expected[selected]);
            } else if (operation == 7 && frmAdv::existing()) {
                frmAdv *window = frmAdv::existing();
                window->cmdPlus->click();
                const QString saved = encodeTrackSettings(window->settings()).text;
                const qsizetype shown = m_platform.shown.size();
                window->cmdSave->click();
                const auto entry = std::find_if(expected.begin(), expected.end(),
                                                [&](const auto &e) { return std::get<2>(e) == advancedFor; });
                if (entry != expected.end())
                    std::get<1>(*entry) = saved;
                QCOMPARE(m_platform.shown.size() - shown,
                         entry == expected.end() ? 1 : 0); // "workingIndex < listcount"
            } else if (operation == 8 && now > 0) {
                m_window->history().undo();
                expected = states[--now];
            } else if (operation == 9 && now + 1 < states.size()) {
                m_window->history().redo();
                expected = states[++now];
            }
            if (expected != before && operation < 8)
                states.resize(++now), states.append(expected);
            QStringList names, strings;
            for (const auto &[name, string, id] : std::as_const(expected))
                names.append(name), strings.append(string);
            QCOMPARE(frmMain::rowTexts(m_window->lstList), names);
            QCOMPARE(frmMain::rowTexts(m_window->lstListAdv), strings);
        }
    }
};

QTEST_MAIN(TestPlaylistEditing)
#include "tst_playlistediting.moc"
