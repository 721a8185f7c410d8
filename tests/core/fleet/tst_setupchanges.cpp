#include "fleet/setupchanges.h"
#include "storage/cardfiles.h"

#include <QtTest>

using namespace Vexolo;

// Two setups' differences in the words of programs, entries and settings, never a record.
class TestSetupChanges : public QObject
{
    Q_OBJECT

    static SetupSnapshot program(const QStringList &strings, const QByteArray &name = {})
    {
        SetupSnapshot files {{"Programs/Program1.txt", formatProgramFile(strings).content}};
        if (!name.isEmpty())
            files.insert("Programs/Program1.adv", name);
        return files;
    }
    static QStringList tracks(int count, const QString &stem)
    {
        QStringList strings;
        for (int i = 0; i < count; ++i)
            strings << stem + QString::number(i) + ".mp3 V7";
        return strings;
    }

private Q_SLOTS:
    void changes_data()
    {
        QTest::addColumn<SetupSnapshot>("before");
        QTest::addColumn<SetupSnapshot>("after");
        QTest::addColumn<bool>("tenths");
        QTest::addColumn<QStringList>("lines");
        const SetupSnapshot abc = program({"a.mp3 V5", "b.mp3 V7", "c.mp3 V7"});
        // clang-format off
        QTest::newRow("the same") << abc << abc << false << QStringList();
        QTest::newRow("removed, volume") << abc << program({"a.mp3 V7", "c.mp3 V7"}) << false
            << QStringList{"Program 1: b.mp3 (entry 2) removed", "Program 1: a.mp3 volume 5 → 7"};
        QTest::newRow("added") << abc << program({"a.mp3 V5", "d.mp3 V7", "b.mp3 V7", "c.mp3 V7"}) << false
            << QStringList{"Program 1: d.mp3 (entry 2) added"};
        QTest::newRow("moved") << abc << program({"b.mp3 V7", "c.mp3 V7", "a.mp3 V5"}) << false
            << QStringList{"Program 1: a.mp3 moved from entry 1 to entry 3"};
        QTest::newRow("two swapped: the first moves")
            << program({"a.mp3 V7", "b.mp3 V7"}) << program({"b.mp3 V7", "a.mp3 V7"})
            << false << QStringList{"Program 1: a.mp3 moved from entry 1 to entry 2"};
        QTest::newRow("one of two alike") << program({"a.mp3 V7", "a.mp3 V7"}) << program({"a.mp3 V3"}) << false
            << QStringList{"Program 1: a.mp3 (entry 2) removed", "Program 1: a.mp3 volume 7 → 3"};
        QTest::newRow("fade, play next, pause, output") << abc
            << program({"a.mp37V5 P30 1A12 3-20", "b.mp3 V7", "c.mp3 V7 P10"}) << false
            << QStringList{"Program 1: a.mp3 remote fade and cue the next track → cue and play the next track "
                           "without fading", "Program 1: a.mp3 now plays the next by itself",
                           "Program 1: a.mp3 auto pause at 30 s added", "Program 1: a.mp3 all outputs on at 12 s added",
                           "Program 1: a.mp3 output 3 off at 20 s added", "Program 1: c.mp3 auto pause at 10 s added"};
        QTest::newRow("command file, tenths")
            << SetupSnapshot{{"Welcome.adv", "Welcome.mp3 V7 3+20 P7"}, {"Old.adv", "Old.mp3 V7"}}
            << SetupSnapshot{{"Welcome.adv", "Welcome.mp3 V7 3+20 3+20"}, {"New.adv", "New.mp3 V5"}} << true
            << QStringList{"New.adv added (Volume 5 · Remote: fade and cue the next track)", "Old.adv removed (the "
                           "usual settings)", "Welcome.adv: auto pause at 0.7 s removed",
                           "Welcome.adv: output 3 on at 2.0 s added"};
        QTest::newRow("renamed") << program({"a.mp3 V7"}, "Hall") << program({"a.mp3 V7"}, "Main Hall") << false
            << QStringList{"Program 1 renamed \"Hall\" → \"Main Hall\""};
        QTest::newRow("program added") << SetupSnapshot() << program({"a.mp3 V7"}, "Hall\r\nx") << false
            << QStringList{"Program 1 \"Hall\" added (1 entry)"};
        QTest::newRow("program deleted") << abc << SetupSnapshot() << false
            << QStringList{"Program 1 deleted (3 entries)"};
        QTest::newRow("cannot be read") << abc << program({"a.mp3 V7", "no track here"}) << false
            << QStringList{"Programs/Program1.txt changed (cannot be read as a program)"};
        QTest::newRow("command file unread") << SetupSnapshot{{"X.adv", "X.mp3 V7"}}
            << SetupSnapshot{{"X.adv", QByteArray("X.mp3\0V7", 8)}} << false
            << QStringList{"X.adv changed (cannot be read as a track's settings)"};
        QTest::newRow("listing") << SetupSnapshot{{"Programs/RootDir.txt", formatListing({"a.mp3 V7"})}}
            << SetupSnapshot{{"Programs/Other.txt", "x"}} << false << QStringList{"Programs/Other.txt added"};
        QTest::newRow("long, only the first differs: the same ends are not matched again")
            << program(QStringList {"x.mp3 V7"} + tracks(1100, "a")) << program(tracks(1100, "a")) << false
            << QStringList{"Program 1: x.mp3 (entry 1) removed"};
        QTest::newRow("the first entry kept, one before it added")
            << program({"x.mp3 V7", "y.mp3 V7", "q.mp3 V7"}) << program({"w.mp3 V7", "x.mp3 V7", "r.mp3 V7"}) << false
            << QStringList{"Program 1: y.mp3 (entry 2) removed", "Program 1: q.mp3 (entry 3) removed",
                           "Program 1: w.mp3 (entry 1) added", "Program 1: r.mp3 (entry 3) added"};
        QTest::newRow("too large to match") << program(tracks(3000, "a")) << program(tracks(3000, "b")) << false
            << QStringList{"Program 1: 3000 entries before, 3000 entries now; too many changed to list one by one"};
        // clang-format on
        QStringList many = tracks(150, "a");
        QTest::newRow("capped") << program({}) << program(many) << false
                                << (QStringList() << QStringList(100, {}) << "Program 1: and 50 more changes");
    }

    void changes()
    {
        QFETCH(SetupSnapshot, before);
        QFETCH(SetupSnapshot, after);
        QFETCH(bool, tenths);
        QFETCH(QStringList, lines);
        QStringList said = setupChanges(before, after, tenths ? TimeUnit::Tenths : TimeUnit::Seconds);
        if (lines.size() > 100) { // long lists: how many, and the last line
            QCOMPARE(said.size(), lines.size());
            QCOMPARE(said.last(), lines.last());
            return;
        }
        QCOMPARE(said, lines);
    }
};

QTEST_GUILESS_MAIN(TestSetupChanges)
#include "tst_setupchanges.moc"
