#include "card/mp3length.h"
#include "card/mpegstart.h"

#include <QtTest>

using namespace Vexolo;

// Lengths read from real MP3 files of a 3 s tone, made by sox and lame at test time.
class TestTrackLength : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

private Q_SLOTS:
    void initTestCase()
    {
        // The cover is a JPEG to lame, and larger than one read block: its tag cannot be read whole.
        const char *make = "sox -n -r 44100 -c 1 t.wav synth 3 sine 440 && lame --quiet -b 128 t.wav cbr.mp3"
                           " && lame --quiet -b 128 -t t.wav plain.mp3 && { printf '\\377\\330\\377\\340'; head -c "
                           "700000 /dev/zero; } > cover.jpg"
                           " && lame --quiet -t --ti cover.jpg t.wav tagged.mp3 && : > empty.mp3";
        QProcess shell;
        shell.setWorkingDirectory(m_dir.path());
        shell.start("sh", {"-c", make});
        if (!shell.waitForFinished(60000) || shell.exitCode() != 0)
            QSKIP("sox and lame are needed to make the test files");
    }

    void lengths_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("expected"); // tenths of a second, -1: unknown
        QTest::newRow("constant bit rate") << "cbr.mp3" << 30;
        QTest::newRow("no Xing header") << "plain.mp3" << 30;
        QTest::newRow("tag past the block bound") << "tagged.mp3" << 30;
        QTest::newRow("not an MP3") << "cover.jpg" << -1;
        QTest::newRow("empty") << "empty.mp3" << -1;
    }

    void lengths()
    {
        QFETCH(QString, file);
        QFile mp3(m_dir.filePath(file));
        QVERIFY(mp3.open(QIODevice::ReadOnly));
        errno = EINTR; // left by an earlier call: a read that reaches the end still ends
        const TrackLength fromFile = readMp3Length(mp3.handle());
        QTEST(int(fromFile.value_or(-100) / 100), "expected");
        QCOMPARE(readMp3Length(mp3.readAll()), fromFile);
    }

    // Sound followed by a terabyte of nothing, as a hostile card may hold: no length, and no hang.
    void sparse()
    {
        QFile mp3(m_dir.filePath("sparse.mp3"));
        QVERIFY(QFile::copy(m_dir.filePath("plain.mp3"), mp3.fileName())); // no Xing header: the end is searched
        if (!mp3.resize(qint64(1) << 40))
            QSKIP("no sparse files here");
        QVERIFY(mp3.open(QIODevice::ReadOnly));
        QCOMPARE(readMp3Length(mp3.handle()), std::nullopt);
        mp3.close(); // a file that refuses every read: unknown, not read again and again
        QVERIFY(mp3.open(QIODevice::WriteOnly));
        QCOMPARE(readMp3Length(mp3.handle()), std::nullopt);
    }

    // What a dropped file must start with to be taken for sound, whatever its name says.
    void mpegStart_data()
    {
        QTest::addColumn<QByteArray>("head");
        QTest::addColumn<bool>("sound");
        QTest::newRow("an ID3 tag") << QByteArray("ID3\x04\0\0\0\0\0\x10", 10) << true;
        QTest::newRow("an MPEG-1 layer III frame") << QByteArray("\xff\xfb\x90\x64", 4) << true;
        QTest::newRow("text") << QByteArray("This is no sound") << false;
        QTest::newRow("no sync byte") << QByteArray("\x7f\xfb\x90\x64", 4) << false;
        QTest::newRow("half a sync") << QByteArray("\xff\x1b\x90\x64", 4) << false;
        QTest::newRow("too short") << QByteArray("\xff\xfb\x90", 3) << false;
        QTest::newRow("a reserved version") << QByteArray("\xff\xeb\x90\x64", 4) << false;
        QTest::newRow("a bad bit rate") << QByteArray("\xff\xfb\xf0\x64", 4) << false;
    }

    void mpegStart()
    {
        QFETCH(QByteArray, head);
        QTEST(Vexolo::startsAsMpegAudio(head), "sound");
    }
};

QTEST_GUILESS_MAIN(TestTrackLength)
#include "tst_tracklength.moc"
