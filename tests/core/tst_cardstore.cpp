#include "card/tracknames.h"
#include "storage/cardread.h"
#include "storage/cardstore.h"
#include "storage/cardtext.h"
#include "support/failingfileops.h"
#include "support/helpers.h"
#include "support/testcard.h"

#include <QtTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace Vexolo;

// The card store on real folders and mounts: what it writes and reads back, its failures, and the
// cards, files and names it refuses.
class TestCardStore : public QObject
{
    Q_OBJECT

    static QString texts(const Notices &notices)
    {
        QStringList list;
        for (const Notice &notice : notices)
            list.append(notice.text.left(20));
        return list.join(u',');
    }
    // Creates the items named by their bytes (a folder when it ends in "/").
    static bool make(const TestCard &card, const QStringList &items)
    {
        for (const QString &item : items) {
            const QByteArray path = encodeFileName(card.path(item));
            if (item.endsWith(u'/') ? ::mkdir(path.data(), 0755) != 0 : ::close(::creat(path.data(), 0644)) != 0)
                return false;
        }
        return true;
    }

private Q_SLOTS:
    void onlyCardLikeFolders()
    {
        TestCard card;
        QVERIFY(card.write("plain.txt", {}));
        QVERIFY(QDir::setCurrent(card.path(".."))); // it holds "card": nothing resolves against it
        CardStore store;
        for (const QString text : {"", "card", "/", "/proc", "/dev", qPrintable(card.path("plain.txt"))}) {
            store.choose(text);
            QCOMPARE(texts(store.prepareSave("1", {}, {}).refusal), "No card is chosen! C");
        }
        QCOMPARE(ExtractFilename("a.mp3.MP3"), "a");
        // Names equal but for case keep their order: each goes before the first row sorting after it.
        QCOMPARE(sortTracks({"b.MP3", "a.mp3", "B.mp3", "a"}), QStringList({"a.mp3", "b.MP3", "B.mp3"}));
    }

    void operations_data()
    {
        QTest::addColumn<QString>("failing"); // the call, and from which of them on
        QTest::addColumn<QString>(
            "result"); // save's notices; files saved; entries/name/notices loaded; delete's notices
        const QString unread = "Could not read from ";
        const QString saved = " ; Program1.adv,Program1.txt,RootDir.txt ; ";
        // clang-format off
        QTest::newRow("honest") << "" << saved + "A.mp3/Név/ ; ";
        QTest::newRow("mkdir fails") << "mkdir 1"
                                     << "Could not create fil,Could not create roo ;  ; // ; Could not delete Pla";
        QTest::newRow("name file fails") << "rename 2" << "Could not create roo ; Program1.txt ; A.mp3// ; ";
        QTest::newRow("reads fail") << "read 1" << unread + saved + "//" + unread + " ; ";
        QTest::newRow("delete fails") << "unlink 1" << saved + "A.mp3/Név/ ; Could not delete Pla";
        // clang-format on
    }

    void operations()
    {
        QFETCH(QString, failing);
        TestCard card;
        QVERIFY(card.write("A.mp3", {}) && card.write("A.adv", "A.mp3 V3"));
        FailingFileOps ops;
        CardStore store(ops);
        store.choose(card.root());
        const CardStore::SavePlan plan = store.prepareSave("1", {"A.mp3 V3"}, "Név");
        ops.failing = {failing.section(u' ', 0, 0)};
        ops.nth = failing.section(u' ', 1).toInt();
        const CardStore::Saved saved = store.save(plan, {"A.mp3"});
        const QStringList files = QDir(card.path("Programs")).entryList(QDir::Files);
        const QByteArray program = card.read("Programs/Program1.txt");
        const CardStore::Loaded loaded = store.loadProgram("1");
        const QString load = loaded.names.join(u',') + u'/' + loaded.name + u'/' + texts(loaded.notices);
        QTEST(QStringList({texts(saved.notices), files.join(u','), load, texts(store.deleteProgram("1").notices)})
                  .join(" ; "),
              "result");
        QCOMPARE(saved.nameWritten, files.contains("Program1.adv"));
        if (failing.isEmpty()) {
            QCOMPARE(card.read("Programs/RootDir.txt"), program);
            QCOMPARE(program, record("A.mp3 V3") + "end");
            QCOMPARE(card.read("Programs/Program1.adv"), "Név");
            QCOMPARE(QDir(card.path("Programs")).entryList(QDir::Files), QStringList({"Program1.adv", "RootDir.txt"}));
        }
    }

    void loadReadsWhatSaveWrites()
    {
        TestCard card;
        card.addFiles({"A.mp3"});
        CardStore store;
        store.choose(card.root());
        QStringList strings(ProgramRecordLimit, "A.mp3 V7");
        strings[0] = "A.mp3 V7 €"; // two bytes more: exactly the largest file
        const QString name(LineLimit / 2, u'é');
        const CardStore::SavePlan plan = store.prepareSave("1", strings, name);
        QCOMPARE(plan.program.size(), ProgramFileLimit);
        QVERIFY(store.save(plan, {}).nameWritten);
        const CardStore::Loaded loaded = store.loadProgram("1");
        QCOMPARE(loaded.commandStrings, strings);
        QCOMPARE(loaded.name, name);
        // A byte more, or a line more, is refused by Save and by Load.
        strings[0] = "A.mp3 V7 é€";
        QCOMPARE(texts(store.prepareSave("1", strings, name).refusal), "This playlist is too");
        QCOMPARE(texts(store.prepareSave("1", {}, name + u'x').refusal), "This playlist name i");
        QVERIFY(card.write("Programs/Program1.txt", plan.program + '\n'));
        QVERIFY(card.write("Programs/Program2.txt", QByteArray("A.mp3\n").repeated(ProgramRecordLimit + 1)));
        QCOMPARE(texts(store.loadProgram("1").notices + store.loadProgram("2").notices),
                 "Could not read from ,Could not read from ");
    }

    void namesAsTheCardHasThem()
    {
        TestCard card;
        // Long names differing past their first sixteen bytes, one with a letter that folds into ASCII.
        const QStringList shown {".mp3",
                                 "A.mp3",
                                 "b.MP3",
                                 u"bad\xDCFF.mp3"_s,
                                 u"bad\xFFFD.mp3"_s,
                                 "D.mp3",
                                 "song AND a long tail 0.MP3",
                                 u"\x017Fong and a long tail 1.mp3"_s,
                                 "Song.adv.mp3",
                                 "Song.mp3.mp3",
                                 "z.mp3/",
                                 "é.mp3"};
        QVERIFY(make(card, shown + QStringList {"c.txt", "x/", "D.adv/", "a.mp3.bak", "sub/", "sub/in.mp3"}));
        QVERIFY(card.write("Programs/Program2.txt", "\xE9.mp3 V7")); // another tool's Windows-1252
        CardStore store;
        store.choose(card.root());
        QCOMPARE(store.listTracks().join(u'/'), shown.join(u'/').replace("//", "/")); // a folder named so too
        const Fd root(::open(qPrintable(card.root()), O_RDONLY | O_DIRECTORY));
        QCOMPARE(readFolder(root.get()).size(), 18);
        QCOMPARE(readFolder(root.get()).size(), 18); // the same open folder read twice
        const QStringList tracks = shown.sliced(3, 2);
        QCOMPARE(shownName(tracks[0]), tracks[1]);
        for (const QString &track : tracks)
            QCOMPARE(texts(store.writeTrackCommand(track, track + " V5")), "");
        QStringList strings = store.lookupCommands(tracks).commandStrings;
        QCOMPARE(strings, QStringList({tracks[0] + " V5", tracks[1] + " V5"}));
        store.save(store.prepareSave("1", strings, {}), {});
        QVERIFY(card.read("Programs/Program1.txt").startsWith("bad\xFF.mp3 V5 "));
        QCOMPARE(store.loadProgram("1").names + store.loadProgram("2").names, tracks + QStringList {"é.mp3"});
        // A command file never replaces a track, nor anything but a regular file.
        const QStringList before = card.snapshot();
        const Notices refused = store.writeTrackCommand("Song.mp3.mp3", "x") + store.writeTrackCommand("D.mp3", "x");
        QCOMPARE(refused.constFirst().text + refused.constLast().text.sliced(25),
                 "Could not write to file: [Song.adv.mp3][D.adv]");
        QCOMPARE(card.snapshot(), before);
    }

    void volumeListFromTheMountTable()
    {
        const QByteArray table = "22 1 0:21 / /proc rw - proc proc rw\n"
                                 "30 1 8:1 / / rw - ext4 /dev/sda1 rw\n"
                                 "40 30 8:17 / /media/My\\040Card rw shared:1 - vfat /dev/sdb1 rw\n"
                                 "41 30 0:5 / /dev/shm rw - tmpfs tmpfs rw\n"
                                 "42 30 0:50 / /run/gvfs rw - fuse.gvfsd-fuse gvfsd-fuse rw\nbroken\n";
        QCOMPARE(cardVolumes(parseMountTable(table)), QStringList({"/", "/media/My Card"}));
    }

    void notTheChosenCard_data()
    {
        QTest::addColumn<QStringList>("mount"); // the card's file system, or a bind mount on "Programs"
        QTest::addColumn<QString>("notices");
        QTest::newRow("another FAT card in the reader") << QStringList {"mkfs.vfat"} << "The card was changed";
        QTest::newRow("another ext4 card") << QStringList {"mkfs.ext4", "-q"} << "The card was changed";
        QTest::newRow("Programs bound from elsewhere")
            << QStringList {"--bind"} << "Could not create fil,Could not create roo";
    }

    void notTheChosenCard()
    {
        QFETCH(QStringList, mount);
        TestCard card;
        const bool bind = mount.first() == "--bind";
        QVERIFY(QDir().mkpath(card.path("../elsewhere")));
        if (!(bind ? card.mount({"--bind", card.path("../elsewhere")}, "Programs") : card.mountImage(mount)))
            QSKIP("mounting is not permitted here");
        card.addFiles({"A.mp3"});
        CardStore store;
        store.choose(card.root());
        const CardStore::SavePlan plan = store.prepareSave("1", {"A.mp3 V7"}, "x");
        QVERIFY(bind || (card.unmount() && card.mountImage(mount) && card.write("A.mp3", {})));
        const QStringList before = card.snapshot();
        QTEST(texts(store.save(plan, {"A.mp3"}).notices), "notices");
        store.writeListing({"A.mp3"});
        QCOMPARE(card.snapshot(), before);
        QCOMPARE(texts(store.writeTrackCommand("A.mp3", "A.mp3 V1")), bind ? "" : "The card was changed");
        QCOMPARE(store.cardChanged(), !bind);
    }
};

QTEST_GUILESS_MAIN(TestCardStore)
#include "tst_cardstore.moc"
