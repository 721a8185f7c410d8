#include "card/mp3length.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace Vexolo;

// Lengths read from real MP3 files, made by sox and lame at test time.
class TestTrackLength : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    QString path(const QString &name) const { return m_dir.filePath(name); }

    void run(const QString &program, const QStringList &arguments)
    {
        QProcess process;
        process.start(program, arguments);
        if (!process.waitForFinished(60000) || process.exitCode() != 0)
            QSKIP(qPrintable(program + QStringLiteral(" could not make the test files")));
    }

private Q_SLOTS:
    void lengths_data()
    {
        QTest::addColumn<QStringList>("lame"); // options of lame on a 3 s tone; empty: the file as named
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("expected"); // tenths of a second, -1: unknown
        const QString jpeg = path(QStringLiteral("cover.jpg"));
        // clang-format off
        QTest::newRow("constant bit rate") << QStringList {"-b", "128"} << "cbr.mp3" << 30;
        QTest::newRow("no Xing header") << QStringList {"-b", "128", "-t"} << "plain.mp3" << 30;
        QTest::newRow("variable, Xing") << QStringList {"-V", "5"} << "vbr.mp3" << 30;
        QTest::newRow("tag past the block bound") << QStringList {"-b", "64", "--ti", jpeg} << "tagged.mp3" << 30;
        QTest::newRow("not an MP3") << QStringList {} << "cover.jpg" << -1;
        QTest::newRow("empty") << QStringList {} << "empty.mp3" << -1;
        // clang-format on
    }

    void lengths()
    {
        QFETCH(QStringList, lame);
        QFETCH(QString, file);
        QFETCH(int, expected);
        QVERIFY(m_dir.isValid());
        const QString wave = path(QStringLiteral("tone.wav"));
        if (!QFile::exists(wave)) {
            run(QStringLiteral("sox"), {"-n", "-r", "44100", "-c", "1", wave, "synth", "3", "sine", "440"});
            QFile jpeg(path(QStringLiteral("cover.jpg")));
            QVERIFY(jpeg.open(QIODevice::WriteOnly));
            jpeg.write(QByteArray("\xff\xd8\xff\xe0") + QByteArray(700000, 'x'));
            QFile(path(QStringLiteral("empty.mp3"))).open(QIODevice::WriteOnly);
        }
        if (!lame.isEmpty())
            run(QStringLiteral("lame"), lame << QStringLiteral("--quiet") << wave << path(file));

        QFile mp3(path(file));
        QVERIFY(mp3.open(QIODevice::ReadOnly));
        const TrackLength fromFile = readMp3Length(mp3.handle());
        QCOMPARE(qRound(double(fromFile.value_or(-100)) / 100), expected);
        QCOMPARE(readMp3Length(mp3.readAll()), fromFile);
    }
};

QTEST_GUILESS_MAIN(TestTrackLength)
#include "tst_tracklength.moc"
