#include "app/frmmain.h"
#include "card/tracknames.h"
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
        QCOMPARE(rows(m_window->lstList), (QStringList{"B.mp3", "A.mp3", "A.mp3", "B.mp3", "C.mp3"}));
        QCOMPARE(rows(m_window->lstListAdv),
                 (QStringList{"B.mp31V5 P30", "A.mp3 V7", "A.mp3 V7", "B.mp31V5 P30", "C.mp3 V7"}));
        m_window->cmdClear->click();
        QCOMPARE(m_window->lstList->count() + m_window->lstListAdv->count(), 0);
        QCOMPARE(m_window->txtName->text() + m_window->txtList->text(), QStringLiteral("Party1"));
    }

    void moveAtTheEnds()
    {
        // Up or down, the row selected before and after (-1: none), the playlist after.
        const QList<std::tuple<bool, int, int, QString>> cases{{true, 0, 0, "ABC"},    {false, 2, 2, "ABC"},
                                                              {true, -1, -1, "ABC"},  {false, -1, -1, "ABC"},
                                                              {false, 0, 1, "BAC"},   {true, 2, 1, "ACB"}};
        for (const auto &[up, selected, selectedAfter, expected] : cases) {
            m_window->cmdClear->click();
            m_window->cmdAddAll->click();
            m_window->lstList->setCurrentRow(selected);
            (up ? m_window->cmdMoveUp : m_window->cmdMoveDown)->click();
            QCOMPARE(rows(m_window->lstList).join("").remove(".mp3"), expected);
            QCOMPARE(rows(m_window->lstListAdv).join("").remove(".mp31V5 P30").remove(".mp3 V7"), expected);
            const QList<QListWidgetItem *> selection = m_window->lstList->selectedItems();
            QCOMPARE(selection.isEmpty() ? -1 : m_window->lstList->row(selection.first()), selectedAfter);
        }
    }

    void listsStayInStepAfterRandomEditing()
    {
        // Every entry gets a unique string, so a string that strays from its track is seen at once.
        QRandomGenerator random(20261206);
        QList<QPair<QString, QString>> expected;
        for (int step = 0, tag = 0; step < 600; ++step) {
            const int count = int(expected.size());
            const int selected = count ? random.bounded(-1, count) : -1;
            m_window->lstList->setCurrentRow(selected);
            const int operation = random.bounded(7);
            if (operation <= 1) {
                m_window->lstCard->setCurrentRow(random.bounded(3));
                m_window->cmdAdd->click();
                m_window->lstListAdv->item(count)->setText(QString::number(++tag));
                expected.append({m_window->lstCard->currentItem()->text(), QString::number(tag)});
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
            } else if (count > 1) {
                // A drop arrives as a row move of the list's model, as QListWidget's internal move does.
                const int from = random.bounded(count);
                const int to = random.bounded(count + 1);
                if (to != from && to != from + 1) {
                    QVERIFY(m_window->lstList->model()->moveRow(QModelIndex(), from, QModelIndex(), to));
                    expected.move(from, to > from ? to - 1 : to);
                }
            }
            QStringList names, strings;
            for (const auto &[name, string] : std::as_const(expected))
                names.append(name), strings.append(string);
            QCOMPARE(rows(m_window->lstList), names);
            QCOMPARE(rows(m_window->lstListAdv), strings);
        }
    }

    void listing_data()
    {
        QTest::addColumn<QStringList>("items"); // a trailing "/" makes a folder
        QTest::addColumn<QStringList>("expected");
        // clang-format off
        QTest::newRow("case ignored") << QStringList{"b.mp3", "A.mp3", "c.txt", "x/"} << QStringList{"A.mp3", "b.mp3"};
        QTest::newRow("upper case") << QStringList{"TRACK02.MP3", "track01.Mp3", "t.mP3x"} << QStringList{"track01.Mp3", "TRACK02.MP3"};
        QTest::newRow("folder like a track") << QStringList{"b.mp3", "a.mp3/"} << QStringList{"a.mp3", "b.mp3"};
        QTest::newRow("dot names") << QStringList{".hidden.mp3", ".mp3", "z.mp3"} << QStringList{".hidden.mp3", ".mp3", "z.mp3"};
        QTest::newRow(".mp3 elsewhere") << QStringList{"song.mp3.bak", "mp3", "a.mp3 "} << QStringList{};
        QTest::newRow("spaces, non-ASCII") << QStringList{"Zebra Song.mp3", "Élan.mp3", "apple pie.mp3"} << QStringList{"apple pie.mp3", "Zebra Song.mp3", "Élan.mp3"};
        QTest::newRow("sub-folders unread") << QStringList{"sub/", "sub/inner.mp3", "top.mp3"} << QStringList{"top.mp3"};
        // clang-format on
    }

    void listing()
    {
        QFETCH(QStringList, items);
        QTemporaryDir card;
        for (const QString &item : items)
            QVERIFY(item.endsWith('/') ? QDir(card.path()).mkpath(item)
                                       : QFile(card.filePath(item)).open(QFile::WriteOnly));
        QTEST(listCardTracks(card.path()), "expected");
    }

    void sortMatchesInsertionAlgorithm()
    {
        // The card list's rule: each name goes before the first row that sorts strictly after it, so
        // names equal but for case keep the folder's order. The fast sort must agree for any order.
        const QStringList pool{"a.mp3", "A.mp3", "b.mp3", "B.MP3", "a b.mp3", "ab.mp3", "_x.mp3", "1.mp3", "é.mp3"};
        quint32 state = 1;
        for (int round = 0; round < 200; ++round) {
            QStringList names, inserted;
            for (int i = 0; i < 12; ++i) {
                state = state * 1664525u + 1013904223u;
                names.append(pool[(state >> 16) % pool.size()]);
                qsizetype at = 0;
                while (at < inserted.size() && !sortsAfter(inserted[at], names.last()))
                    ++at;
                inserted.insert(at, names.last());
            }
            QCOMPARE(sortTracks(names), inserted);
        }
    }

    void textNamesACardOnlyAsAbsoluteFolder()
    {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir("card") && QFile(dir.filePath("plain.txt")).open(QFile::WriteOnly));
        // Nothing may resolve against the working directory, even one that holds a folder of that name.
        QVERIFY(QDir::setCurrent(dir.path()));
        for (const QString &text : {QString(), QString("card"), QString("."), dir.filePath("plain.txt"), QString("/x")})
            QVERIFY2(cardRootFromText(text).isEmpty(), qPrintable(text));
        QCOMPARE(cardRootFromText(dir.filePath("card")), dir.filePath("card"));
        QCOMPARE(cardRootFromText(dir.path() + "/"), dir.path() + "/");
    }

    void extractFilename()
    {
        const QList<QPair<QString, QString>> cases{{"Intro.mp3", "Intro"}, {"a.mp3.mp3", "a"}, {"notes.txt", ""},
                                                   {"TRACK01.MP3", "TRACK01"}, {" My Song .mp3", " My Song "}};
        for (const auto &[name, expected] : cases)
            QCOMPARE(ExtractFilename(name), expected);
    }
};

QTEST_MAIN(TestPlaylistEditing)
#include "tst_playlistediting.moc"
