#include "storage/safefile.h"

#include "support/testcard.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Vexolo;

namespace {

const QByteArray OldContent = "Song.mp31V5 P30" + QByteArray(64, ' ') + "\r\nend";
const QByteArray NewContent = "Intro.mp3 V7" + QByteArray(67, ' ') + "\r\nend";

// Sets or clears the immutable flag of a file: a rename over an immutable file fails even for
// root, which is the one way to make the last step fail on a real file system.
bool setImmutable(const QString &path, bool on)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    int flags = 0;
    bool done = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
    done = done && ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    ::close(fd);
    return done;
}

} // namespace

class TestSafeFile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void createsAndReplaces_data();
    void createsAndReplaces();
    void keepsPermissions();
    void nameIsAFolder();
    void missingFolder();
    void readOnlyCard();
    void unwritableFolder();
    void fullCard();
    void renameRefused();

private:
    // Every failure leaves the card exactly as it was: same items, old file byte for byte.
    static void checkUntouched(const TestCard &card, const QStringList &before, const QString &name)
    {
        QCOMPARE(card.snapshot(), before);
        QCOMPARE(card.read(name), OldContent);
    }
};

void TestSafeFile::createsAndReplaces_data()
{
    QTest::addColumn<QByteArray>("old");
    QTest::addColumn<QByteArray>("content");

    QTest::newRow("new file") << QByteArray() << NewContent;
    QTest::newRow("longer old file is not left over") << OldContent + OldContent << NewContent;
    QTest::newRow("empty content") << OldContent << QByteArray();
    QTest::newRow("NUL and CR bytes") << OldContent << QByteArray("a\0\r\n\rb", 6);
}

void TestSafeFile::createsAndReplaces()
{
    QFETCH(QByteArray, old);
    QFETCH(QByteArray, content);

    TestCard card;
    if (!old.isEmpty())
        QVERIFY(card.write("Program1.txt", old));
    QString error;
    QVERIFY2(writeFileSafely(card.path("Program1.txt"), content, &error), qPrintable(error));
    QCOMPARE(card.read("Program1.txt"), content);
    QCOMPARE(card.snapshot(), QStringList({ "card", "card/Program1.txt" }));
}

void TestSafeFile::keepsPermissions()
{
    TestCard card;
    QVERIFY(card.write("Intro.adv", OldContent));
    QVERIFY(::chmod(QFile::encodeName(card.path("Intro.adv")).constData(), 0640) == 0);
    QVERIFY(writeFileSafely(card.path("Intro.adv"), NewContent));
    struct stat info;
    QVERIFY(::stat(QFile::encodeName(card.path("Intro.adv")).constData(), &info) == 0);
    QCOMPARE(info.st_mode & 07777, mode_t(0640));
}

void TestSafeFile::nameIsAFolder()
{
    TestCard card;
    QVERIFY(card.write("Intro.adv/inside.txt", OldContent));
    const QStringList before = card.snapshot();
    QString error;
    QVERIFY(!writeFileSafely(card.path("Intro.adv"), NewContent, &error));
    QVERIFY(!error.isEmpty());
    QCOMPARE(card.snapshot(), before);
    QCOMPARE(card.read("Intro.adv/inside.txt"), OldContent);
}

void TestSafeFile::missingFolder()
{
    TestCard card;
    const QStringList before = card.snapshot();
    QVERIFY(!writeFileSafely(card.path("Programs/Program1.txt"), NewContent));
    QVERIFY(!writeFileSafely(QString(), NewContent));
    QCOMPARE(card.snapshot(), before);
}

void TestSafeFile::readOnlyCard()
{
    TestCard card;
    if (!card.mountTmpfs(1024 * 1024))
        QSKIP("mounting a tmpfs is not permitted here");
    QVERIFY(card.write("Program1.txt", OldContent));
    if (!card.makeReadOnly())
        QSKIP("remounting read-only is not permitted here");
    const QStringList before = card.snapshot();
    QVERIFY(!writeFileSafely(card.path("Program1.txt"), NewContent));
    checkUntouched(card, before, "Program1.txt");
}

void TestSafeFile::unwritableFolder()
{
    if (::geteuid() == 0)
        QSKIP("root may write into any folder; readOnlyCard covers this on a real mount");
    TestCard card;
    QVERIFY(card.write("Program1.txt", OldContent));
    QVERIFY(QFile::setPermissions(card.root(), QFile::ReadOwner | QFile::ExeOwner));
    const QStringList before = card.snapshot();
    const bool written = writeFileSafely(card.path("Program1.txt"), NewContent);
    QFile::setPermissions(card.root(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QVERIFY(!written);
    checkUntouched(card, before, "Program1.txt");
}

void TestSafeFile::fullCard()
{
    TestCard card;
    if (!card.mountTmpfs(64 * 1024))
        QSKIP("mounting a tmpfs is not permitted here");
    QVERIFY(card.write("Program1.txt", OldContent));
    card.fill();
    const QStringList before = card.snapshot();
    QString error;
    QVERIFY(!writeFileSafely(card.path("Program1.txt"), NewContent.repeated(100), &error));
    QVERIFY(!error.isEmpty());
    checkUntouched(card, before, "Program1.txt");
}

void TestSafeFile::renameRefused()
{
    TestCard card;
    QVERIFY(card.write("Program1.txt", OldContent));
    if (!setImmutable(card.path("Program1.txt"), true))
        QSKIP("the immutable flag is not available here");
    const QStringList before = card.snapshot();
    const bool written = writeFileSafely(card.path("Program1.txt"), NewContent);
    QVERIFY(setImmutable(card.path("Program1.txt"), false));
    QVERIFY(!written);
    checkUntouched(card, before, "Program1.txt");
}

QTEST_GUILESS_MAIN(TestSafeFile)
#include "tst_safefile.moc"
