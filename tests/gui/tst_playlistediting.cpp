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
            if (operation <= 1) { // ">" (with no track selected: nothing) or a double click on the track
                const int row = random.bounded(operation - 1, 3);
                const QString track = row < 0 ? QString() : m_window->lstCard->item(row)->text();
                m_card->write(QString(track).replace(".mp3", ".adv"),
                              (track + " V7 P" + QString::number(++tag)).toUtf8());
                m_window->lstCard->setCurrentRow(row);
                const QPoint at
                    = row < 0 ? QPoint() : m_window->lstCard->visualItemRect(m_window->lstCard->item(row)).center();
                if (operation == 0)
                    m_window->cmdAdd->click();
                else
                    QTest::mouseClick(m_window->lstCard->viewport(), Qt::LeftButton, {}, at),
                        QTest::mouseDClick(m_window->lstCard->viewport(), Qt::LeftButton, {}, at);
                if (row >= 0)
                    expected.append({track, track + " V7 P" + QString::number(tag), tag});
            } else if (operation == 10) {
                m_window->cmdClear->click();
                expected.clear();
            } else if (operation == 2) {
                m_window->cmdRemove->click();
                if (selected >= 0)
                    expected.removeAt(selected);
            } else if (operation == 3) {
                m_window->cmdMoveUp->click(); // at the top, and with no selection, nothing moves; the selection stays
                if (selected > 0)
                    expected.swapItemsAt(selected, selected - 1);
                QCOMPARE(frmMain::selectedRow(m_window->lstList), selected > 0 ? selected - 1 : selected);
            } else if (operation == 4) {
                m_window->cmdMoveDown->click();
                if (selected >= 0 && selected < count - 1)
                    expected.swapItemsAt(selected, selected + 1);
                QCOMPARE(frmMain::selectedRow(m_window->lstList), selected + (expected == before ? 0 : 1));
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
            if (expected != before && operation != 8 && operation != 9)
                states.resize(++now), states.append(expected);
            QStringList names, strings;
            for (const auto &[name, string, id] : std::as_const(expected))
                names.append(name), strings.append(string);
            QCOMPARE(frmMain::rowTexts(m_window->lstList), names);
            QCOMPARE(frmMain::rowTexts(m_window->lstListAdv), strings);
        }
        QCOMPARE(m_window->txtName->text() + m_window->txtList->text(), QStringLiteral("1")); // never touched
    }
};

QTEST_MAIN(TestPlaylistEditing)
#include "tst_playlistediting.moc"
