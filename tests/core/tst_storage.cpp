#include "storage/cardread.h"
#include "storage/fileops.h"
#include "storage/mounts.h"
#include "storage/safefile.h"
#include "support/failingfileops.h"
#include "support/testcard.h"

#include <QtTest>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace Vexolo;

// Under the card store, on real folders: the safe writer and what killed writers leave, the bounded
// reads, the mount table.
class TestStorage : public QObject
{
    Q_OBJECT

    // The calls ("call first last") that fail with error.
    static void fail(FailingFileOps &ops, const QString &calls, int error)
    {
        ops.failing = {calls.section(u' ', 0, 0)};
        ops.nth = calls.section(u' ', 1, 1).toInt();
        ops.last = calls.section(u' ', 2, 2).toInt();
        ops.error = error;
    }

private Q_SLOTS:
    void replace_data()
    {
        QTest::addColumn<QString>("calls"); // the call that fails, from its first to its last use
        QTest::addColumn<int>("error");
        QTest::addColumn<bool>("written");
        QTest::addColumn<QByteArray>("content"); // the file afterwards
        const QByteArray old = "old bytes";
        QTest::newRow("honest") << "" << 0 << true << "n"_ba;
        QTest::newRow("open fails") << "open 1 1" << EIO << false << old;
        QTest::newRow("name taken twice") << "open 1 2" << EEXIST << true << "n"_ba;
        QTest::newRow("name taken 101 times: gives up") << "open 1 101" << EEXIST << false << old;
        QTest::newRow("write fails") << "write 1 1" << EIO << false << old;
        QTest::newRow("write interrupted") << "write 1 1" << EINTR << true << "n"_ba;
        QTest::newRow("write writes nothing") << "write 1 1" << 0 << false << old;
        QTest::newRow("fsync fails") << "fsync 1 1" << EIO << false << old;
        QTest::newRow("close fails") << "close 1 1" << EIO << false << old;
        QTest::newRow("rename fails") << "rename 1 1" << EIO << false << old;
        // The folder is flushed after the rename: the new bytes are in place, maybe not yet for good.
        QTest::newRow("folder not flushed") << "fsync 2 2" << EIO << false << "n"_ba;
        QTest::newRow("folder cannot be flushed") << "fsync 2 2" << EINVAL << true << "n"_ba;
    }

    // A failure at any step keeps the old file, its bytes and its permissions, and leaves nothing else.
    void replace()
    {
        QFETCH(QString, calls);
        QFETCH(int, error);
        TestCard card;
        QVERIFY(card.write("file", "old bytes") && ::chmod(qPrintable(card.path("file")), 0600) == 0);
        FailingFileOps ops;
        fail(ops, calls, error);
        const Fd folder(::open(qPrintable(card.root()), O_RDONLY | O_DIRECTORY));
        const uint descriptors = QDir("/proc/self/fd").count();
        QTEST(writeFileSafely(folder.get(), "file", "n", ops), "written");
        QCOMPARE(QDir("/proc/self/fd").count(), descriptors);
        QTEST(card.read("file"), "content");
        QCOMPARE(card.snapshot(), QStringList({"card", "card/file"}));
        struct stat info;
        QVERIFY(::stat(qPrintable(card.path("file")), &info) == 0 && (info.st_mode & 07777) == 0600);
    }

    // Only a regular temporary file of a writer that no longer runs, and that nobody holds, is removed.
    void leftovers()
    {
        TestCard card;
        QProcess writer;
        writer.start("sleep", {"60"});
        QVERIFY(writer.waitForStarted());
        const auto temporary = [](qint64 pid, int n) { return u".vexolo-%1-%2.tmp"_s.arg(pid).arg(n); };
        const QString dead = temporary(INT_MAX, 1);
        // A writer at work is asked after one that has gone.
        const QStringList names {dead,
                                 temporary(::getpid(), 1),
                                 temporary(writer.processId(), 1),
                                 temporary(2147483648, 1),
                                 dead.chopped(1),
                                 dead.sliced(1),
                                 temporary(INT_MAX, 2),
                                 temporary(INT_MAX, 3),
                                 temporary(INT_MAX, 4),
                                 temporary(INT_MAX, 5)};
        for (const QString &name : names.first(6) + names.last(1))
            QVERIFY(card.write(name, {}));
        QVERIFY(::mkfifo(qPrintable(card.path(names[6])), 0644) == 0 && QDir().mkpath(card.path(names[7]))
                && QFile::link(dead, card.path(names[8])));
        const Fd held(::open(qPrintable(card.path(names[9])), O_RDONLY));
        QVERIFY(::flock(held.get(), LOCK_EX) == 0);
        QStringList leftovers;
        for (const QString &name : names) {
            if (isLeftoverTemporary(name.toUtf8()))
                leftovers.append(name);
        }
        QCOMPARE(leftovers, QStringList({dead}) + names.sliced(6));
        const Fd folder(::open(qPrintable(card.root()), O_RDONLY | O_DIRECTORY));
        removeLeftoverTemporaries(folder.get(), FileOps::system());
        QStringList kept {"card"};
        for (const QString &name : names.sliced(1))
            kept.append("card/" + name);
        kept.sort();
        QCOMPARE(card.snapshot(), kept);
        writer.kill();
        writer.waitForFinished();
    }

    void reads_data()
    {
        QTest::addColumn<QByteArray>("content"); // none: no file
        QTest::addColumn<QString>("calls"); // the reads that fail, the open the first of them
        QTest::addColumn<int>("error");
        QTest::addColumn<QByteArray>("read"); // the whole file (at most 4 bytes); its first line; its lines
        const QByteArray lf = "a\nbc";
        const QByteArray readLf = "read a\nbc|read a|read a/bc";
        QTest::newRow("missing") << QByteArray() << "" << 0 << "missing|missing|missing"_ba;
        QTest::newRow("one byte") << "x"_ba
                                  << "" << 0 << "read x|read x|read x"_ba;
        QTest::newRow("four bytes, LF") << lf << "" << 0 << readLf;
        QTest::newRow("five bytes, CR LF") << "a\r\nbc"_ba
                                           << "" << 0 << "unreadable|read a|read a//bc"_ba;
        QTest::newRow("open fails") << lf << "read 1 1" << EIO << "unreadable|unreadable|unreadable"_ba;
        QTest::newRow("read fails") << lf << "read 2 2" << EIO << "unreadable|unreadable|unreadable"_ba;
        QTest::newRow("reading the end fails") << lf << "read 3 3" << EIO << "unreadable|read a|unreadable"_ba;
        QTest::newRow("read interrupted") << lf << "read 2 2" << EINTR << readLf;
    }

    void reads()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, calls);
        QFETCH(int, error);
        TestCard card;
        QVERIFY(content.isNull() || card.write("file", content));
        const Fd folder(::open(qPrintable(card.root()), O_RDONLY | O_DIRECTORY));
        FailingFileOps ops[3];
        for (FailingFileOps &each : ops)
            fail(each, calls, error);
        const auto shown = [](const CardRead &read) {
            static const QByteArray statuses[] = {"missing", "unreadable", "read "};
            return statuses[int(read.status)] + (read.status == ReadStatus::Read ? read.bytes : QByteArray());
        };
        QByteArrayList lines;
        const ReadStatus status = readLines(folder.get(), "file", ops[2], [&lines](QByteArrayView line) {
            lines.append(line.toByteArray());
            return true;
        });
        QTEST(shown(readWhole(folder.get(), "file", 4, ops[0])) + '|'
                  + shown(readFirstLine(folder.get(), "file", ops[1])) + '|' + shown({status, lines.join('/')}),
              "read");
    }

    // The mount table alone gives the volumes: no mount is asked anything.
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
};

QTEST_GUILESS_MAIN(TestStorage)
#include "tst_storage.moc"
