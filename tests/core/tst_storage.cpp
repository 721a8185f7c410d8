#include "storage/cardread.h"
#include "storage/cardstore.h"
#include "storage/fileops.h"
#include "storage/mounts.h"
#include "storage/safefile.h"
#include "support/failingfileops.h"
#include "support/testcard.h"

#include <QtTest>

#include <csignal>

#include <sys/stat.h>

using namespace Qt::StringLiterals;
using namespace Vexolo;

// Under the card store, on real folders: the safe writer and what killed writers leave, the bounded
// reads, the mount table.
class TestStorage : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void replace_data()
    {
        // The call that fails, "call first error last"; the errors: 0 none (nothing written), 4 EINTR, 5 EIO,
        // 17 EEXIST, 22 EINVAL.
        QTest::addColumn<QString>("calls");
        QTest::addColumn<bool>("written");
        QTest::addColumn<QByteArray>("content"); // the file afterwards
        const QByteArray old = "old bytes";
        QTest::newRow("honest") << "" << true << "n"_ba;
        QTest::newRow("open fails") << "open 1 5 1" << false << old;
        QTest::newRow("name taken 100 times: the next is free") << "open 1 17 100" << true << "n"_ba;
        QTest::newRow("name taken 101 times: gives up") << "open 1 17 101" << false << old;
        QTest::newRow("write fails") << "write 1 5 1" << false << old;
        QTest::newRow("write interrupted: tried again") << "write 1 4 1" << true << "n"_ba;
        QTest::newRow("write writes nothing") << "write 1 0 1" << false << old;
        QTest::newRow("fsync fails") << "fsync 1 5 1" << false << old;
        QTest::newRow("close fails") << "close 1 5 1" << false << old;
        QTest::newRow("rename fails") << "rename 1 5 1" << false << old;
        // The folder is flushed after the rename: the new bytes are in place, maybe not yet for good.
        QTest::newRow("folder not flushed") << "fsync 2 5 2" << false << "n"_ba;
        QTest::newRow("folder cannot be flushed") << "fsync 2 22 2" << true << "n"_ba;
    }

    // A failure at any step keeps the old file, its bytes and its permissions, and leaves nothing else.
    void replace()
    {
        QFETCH(QString, calls);
        TestCard card;
        QVERIFY(card.write("file", "old bytes") && ::chmod(qPrintable(card.path("file")), 0600) == 0);
        FailingFileOps ops;
        ops.fail(calls);
        const Fd folder(card.openRoot());
        const uint open = QDir("/proc/self/fd").count();
        int why = 0;
        const bool written = writeFileSafely(folder.get(), "file", "n", ops, &why);
        QCOMPARE(QDir("/proc/self/fd").count(), open); // nothing left open
        QTEST(written, "written");
        QCOMPARE(why, written ? 0 : ops.error ? ops.error : ENOSPC); // a failure says why; writing nothing means full
        QTEST(card.read("file"), "content");
        QCOMPARE(card.snapshot(), QStringList({"card", "card/file"}));
        struct stat info;
        QVERIFY(::stat(qPrintable(card.path("file")), &info) == 0 && (info.st_mode & 07777) == 0600);
    }

    // A folder in the file's place stays as it is, and the write says why it was not made.
    void folderInThePlace()
    {
        TestCard card;
        QVERIFY(QDir().mkpath(card.path("file/inside")));
        const Fd folder(card.openRoot());
        int why = 0;
        FailingFileOps ops; // nothing is even begun beside it
        ops.failing = {"open"};
        QVERIFY(!writeFileSafely(folder.get(), "file", "n", ops, &why) && why == EISDIR);
        QVERIFY(!writeFileSafely(-1, "file", "n", ops, &why) && why == ENOENT); // no folder at all: the card is gone
        QCOMPARE(card.snapshot(), QStringList({"card", "card/file", "card/file/inside"}));
    }

    // A temporary name of this program whose writer no longer runs; a writer at work is asked after one gone.
    void leftovers()
    {
        QProcess writer;
        // Any signal would end it, whatever the test runner ignores (nohup, a terminal's hangup).
        writer.setChildProcessModifier([] {
            for (int signal = 1; signal < NSIG; ++signal)
                ::signal(signal, SIG_DFL);
        });
        writer.start("sleep", {"60"});
        QVERIFY(writer.waitForStarted());
        const auto temporary = [](qint64 pid) { return u".vexolo-%1-1.tmp"_s.arg(pid).toUtf8(); };
        const QByteArray dead = temporary(INT_MAX);
        QList<bool> leftovers;
        for (const QByteArray &name :
             {dead, temporary(::getpid()), temporary(writer.processId()), temporary(2147483648), dead.chopped(1)})
            leftovers.append(isLeftoverTemporary(name));
        QCOMPARE(leftovers, QList<bool>({true, false, false, false, false}));
        QVERIFY(!writer.waitForFinished(100)); // asking never signals the writer; it is killed with its QProcess
    }

    void reads_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>(
            "calls"); // the reads that fail, the open the first of them, as "read first error last"
        QTest::addColumn<QByteArray>("read"); // the whole file (at most 4 bytes), and its lines
        const QByteArray lf = "a\nbc";
        // clang-format off
        QTest::newRow("one byte") << "x"_ba << "" << "read x|read x"_ba;
        QTest::newRow("four bytes, LF") << lf << "" << "read a\nbc|read a/bc"_ba;
        QTest::newRow("open fails") << lf << "read 1 5 1" << "unreadable 5|unreadable 0"_ba; // the cause, EIO
        QTest::newRow("read fails") << lf << "read 2 5 2" << "unreadable 5|unreadable 0"_ba;
        QTest::newRow("read interrupted") << lf << "read 2 4 2" << "read a\nbc|read a/bc"_ba;
        // clang-format on
    }

    void reads()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, calls);
        TestCard card;
        QVERIFY(card.write("file", content));
        const Fd folder(card.openRoot());
        FailingFileOps ops[2];
        for (FailingFileOps &each : ops)
            each.fail(calls);
        const auto shown = [](const CardRead &read) {
            return read.status == ReadStatus::Read ? "read " + read.bytes
                                                   : "unreadable " + QByteArray::number(read.error.number);
        };
        QByteArrayList lines;
        const ReadStatus status = readLines(folder.get(), "file", ops[1], [&lines](QByteArrayView line) {
            lines.append(line.toByteArray());
            return true;
        });
        QTEST(shown(readWhole(folder.get(), "file", 4, ops[0])) + '|' + shown({status, lines.join('/'), {}}), "read");
    }

    // The mount table alone gives the volumes: no mount is asked anything.
    // Every setup write or removal that fails says which file and why; a folder that cannot be listed is no empty one.
    void setupFailures_data()
    {
        // The call that fails, "call first error"; the work; what failed: cause, error number, path. 5 EIO, 28 ENOSPC,
        // 30 EROFS.
        QTest::addColumn<QString>("calls");
        QTest::addColumn<QString>("work");
        QTest::addColumn<int>("cause");
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("path");
        using E = CardError;
        QTest::newRow("program written, I/O error") << "write 1 5"
                                                    << "write" << int(E::Io) << 5 << "Programs/Program1.txt";
        QTest::newRow("program written, card full") << "write 1 28"
                                                    << "write" << int(E::Full) << 28 << "Programs/Program1.txt";
        QTest::newRow("Programs not made") << "mkdir 1 30"
                                           << "write" << int(E::ReadOnly) << 30 << "Programs/Program1.txt";
        QTest::newRow("Programs not made, not permitted") << "mkdir 1 1"
                                                          << "write" << int(E::Io) << 1 << "Programs/Program1.txt";
        QTest::newRow("command file removed, read-only") << "unlink 1 30"
                                                         << "remove" << int(E::ReadOnly) << 30 << "A.adv";
        QTest::newRow("orphan removed, I/O error") << "unlink 1 5"
                                                   << "orphan" << int(E::Io) << 5 << "Gone.adv";
        QTest::newRow("orphan, tracks not listed") << "list 1 5"
                                                   << "orphan" << int(E::Io) << 5 << "Gone.adv";
        QTest::newRow("leftover removed, read-only")
            << "unlink 1 30"
            << "leftovers" << int(E::ReadOnly) << 30 << ".vexolo-2147483647-1.tmp";
        QTest::newRow("root not listed for leftovers") << "list 1 5"
                                                       << "leftovers" << int(E::Io) << 5 << "";
        QTest::newRow("root not listed for a check") << "list 1 5"
                                                     << "contents" << int(E::Io) << 5 << "";
        QTest::newRow("Programs not listed for a check") << "list 2 5"
                                                         << "contents" << int(E::Io) << 5 << "Programs";
    }

    void setupFailures()
    {
        QFETCH(QString, calls);
        QFETCH(QString, work);
        TestCard card;
        QVERIFY(card.write("A.mp3", {}) && card.write("A.adv", "A.mp3 V1") && card.write("Gone.adv", "Gone.mp3 V2")
                && card.write(".vexolo-2147483647-1.tmp", {}));
        if (work != "write")
            QVERIFY(card.write("Programs/Program1.adv", "One"));
        FailingFileOps ops;
        ops.fail(calls);
        CardStore store(card, ops);
        CardError error;
        if (work == "write") {
            const CardErrors failed = store.writeFiles({{CardStore::Folder::Programs, "Program1.txt", "end"}});
            QCOMPARE(failed.size(), 1);
            error = failed.first();
        } else if (work == "remove") {
            const CardErrors left = store.removeFiles({{CardStore::Folder::Root, "A.adv", {}}});
            QCOMPARE(left.size(), 1);
            error = left.first();
        } else if (work == "orphan") {
            error = store.removeOrphanCommandFile("Gone.adv");
        } else if (work == "leftovers") {
            error = store.removeLeftovers();
        } else {
            const CardStore::Contents contents = store.readContents();
            QVERIFY(!contents.readable);
            error = contents.error;
        }
        QTEST(int(error.cause), "cause");
        QTEST(error.number, "number");
        QTEST(error.path, "path");
    }

    void mountTable()
    {
        const QByteArray table = "\n22 1 0:21 / /proc rw - proc proc rw\n"
                                 "30 1 8:1 / / rw - ext4 /dev/sda1 rw\n"
                                 "40 30 8:17 / /media/My\\040Card rw shared:1 - vfat /dev/sdb1 rw\n"
                                 " 41  30 0:5 / /dev/shm rw - tmpfs tmpfs rw\n"
                                 "42 30 0:50 / /run/gvfs rw - fuse.gvfsd-fuse gvfsd-fuse rw\n"
                                 "43 30 0:6 / /run/x rw - ext4\n"
                                 "broken\nx 30 0:7 / /y rw - ext4 /dev/sdc1 rw\n44 30 - ext4 /dev/sdd1 rw\n"
                                 "45 30 0:8 / /z rw -";
        QStringList entries;
        for (const MountEntry &entry : parseMountTable(table))
            entries.append(QString::number(entry.id) + u' ' + entry.mountPoint + u' ' + entry.type);
        QCOMPARE(entries,
                 QStringList({"22 /proc proc", "30 / ext4", "40 /media/My Card vfat", "41 /dev/shm tmpfs",
                              "42 /run/gvfs fuse.gvfsd-fuse", "43 /run/x ext4"}));
        QCOMPARE(cardVolumes(parseMountTable(table)), QStringList({"/", "/media/My Card", "/run/x"}));
    }

    // A card is known again by its file system's UUID wherever it is mounted next; a plain folder by its path.
    void cardKnownAgain()
    {
        QTemporaryDir dev;
        QVERIFY(QFile(dev.filePath("sdb1")).open(QIODevice::WriteOnly)); // stands for the device
        QVERIFY(QDir().mkpath(dev.filePath("by-uuid")) && QFile::link("../sdb1", dev.filePath("by-uuid/ABCD-1234")));
        const QString byUuid = dev.filePath("by-uuid");
        const auto mountedAt = [&dev](const QString &at) {
            return parseMountTable("30 1 8:1 / / rw - ext4 /dev/sda1 rw\n40 30 8:17 / " + at.toUtf8() + " rw - vfat "
                                   + dev.filePath("sdb1").toUtf8() + " rw\n41 30 0:5 / /t rw - tmpfs tmpfs rw\n");
        };
        const auto a = mountedAt("/media/a/CARD");
        QCOMPARE(
            QStringList({volumeKey("/media/a/CARD", a, byUuid), volumeKey("/home/me/card", a, byUuid),
                         volumeKey("/t", a, byUuid), rootOfKey("uuid:ABCD-1234", mountedAt("/media/b/CARD1"), byUuid),
                         rootOfKey("path:/home/me/card", {}, byUuid)}),
            QStringList({"uuid:ABCD-1234", "path:/home/me/card", "path:/t", "/media/b/CARD1", "/home/me/card"}));
        for (const auto unknown : {"uuid:FFFF-0000", "uuid:../sdb1", "uuid:", "sdb1"})
            QCOMPARE(rootOfKey(unknown, a, byUuid), "");
    }

    // Two folders overlap when one is the other or lies inside it, by device and inode, however each is reached.
    void foldersOverlap_data()
    {
        QTest::addColumn<QString>("one"); // from the card's root
        QTest::addColumn<QString>("other");
        QTest::addColumn<QStringList>("bound"); // what is bind-mounted onto ../bound first (root needed)
        QTest::addColumn<bool>("overlap");
        QTest::newRow("itself") << "."
                                << "." << QStringList() << true;
        QTest::newRow("a subfolder") << "."
                                     << "sub" << QStringList() << true;
        QTest::newRow("a link into it") << "."
                                        << "../link" << QStringList() << true;
        QTest::newRow("siblings") << "sub"
                                  << "other" << QStringList() << false;
        QTest::newRow("a link beside it") << "other"
                                          << "../link" << QStringList() << false;
        QTest::newRow("a bind mount of a subfolder") << "."
                                                     << "../bound" << QStringList {"sub"} << true;
        QTest::newRow("a bind mount of a folder beside it") << "sub"
                                                            << "../bound" << QStringList {"other"} << false;
    }

    void foldersOverlap()
    {
        QFETCH(QString, one);
        QFETCH(QString, other);
        QFETCH(QStringList, bound);
        TestCard card;
        QVERIFY(card.write("sub/deeper/x", "x") && card.write("other/y", "y"));
        QVERIFY(QFile::link(card.path("sub"), card.path("../link")));
        if (!bound.isEmpty() && !card.mount({"--bind", card.path(bound[0])}, "../bound"))
            QSKIP("mounting is not permitted here");
        QTEST(Vexolo::foldersOverlap(card.path(one), card.path(other)), "overlap");
        QTEST(Vexolo::foldersOverlap(card.path(other), card.path(one)), "overlap");
    }
};

QTEST_GUILESS_MAIN(TestStorage)
#include "tst_storage.moc"
