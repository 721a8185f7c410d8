#include "support/helpers.h"
#include "support/testcard.h"

#include <QtTest>

// Starts the real program under Xvfb and uses it as a person would: types the card path, adds all
// tracks, names the playlist, saves and opens an entry's settings; then checks the card byte for byte.
class TestEndToEnd : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void typicalUse()
    {
        if (QStandardPaths::findExecutable("Xvfb").isEmpty() || QStandardPaths::findExecutable("xdotool").isEmpty())
            QSKIP("Xvfb or xdotool is not installed");
        QProcess xvfb;
        xvfb.start("Xvfb", {"-displayfd", "1", "-screen", "0", "1024x768x24", "-nolisten", "tcp"});
        QTRY_VERIFY_WITH_TIMEOUT(xvfb.canReadLine(), 10000);
        const QString display = ':' + QString::fromLatin1(xvfb.readLine().trimmed());
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("DISPLAY", display);
        environment.insert("QT_QPA_PLATFORM", "xcb");
        const auto xdotool = [&environment](const QStringList &arguments) { // the output, empty on failure
            QProcess process;
            process.setProcessEnvironment(environment);
            process.start("xdotool", arguments);
            const bool done = process.waitForFinished(20000) && process.exitCode() == 0;
            return done ? process.readAllStandardOutput() + ' ' : QByteArray();
        };

        TestCard card;
        card.addFiles({"Intro.mp3", "B side.mp3", "notes.txt"});
        card.write("Intro.adv", "Intro.mp31V5 P30");
        QProcess app;
        app.setProcessEnvironment(environment);
        app.start(QStringLiteral(VEXOLO_APP_PATH), {});
        const QString window = QString::fromLatin1(
            xdotool({"search", "--sync", "--onlyvisible", "--name", "^Vexolo Playlist Setup$"}).split('\n').first());
        QVERIFY(!window.trimmed().isEmpty());
        QTest::qWait(300);
        const auto click = [&](int x, int y) {
            QVERIFY(!xdotool({"mousemove", "--window", window, QString::number(x), QString::number(y)}).isEmpty());
            QVERIFY(!xdotool({"click", "1"}).isEmpty());
        };
        click(60, 170); // the volume list
        xdotool({"type", "--delay", "15", card.root()});
        click(330, 354); // ">>>"
        click(647, 58); // the name
        xdotool({"type", "--delay", "15", "Road Trip"});
        click(698, 232); // "Save"
        QTest::qWait(500);
        click(450, 170); // the first entry, then its "Advanced"
        click(515, 492);
        QVERIFY(!xdotool({"search", "--sync", "--onlyvisible", "--name", "^Advanced Settings Form$"}).isEmpty());

        app.kill(); // the files are Save's: the window's close is the window tests' part
        app.waitForFinished();
        xvfb.terminate();
        xvfb.waitForFinished();

        const QByteArray entries = record("B side.mp3 V7") + record("Intro.mp31V5 P30") + "end";
        QCOMPARE(card.read("Programs/Program1.txt"), entries);
        QCOMPARE(card.read("Programs/Program1.adv"), QByteArray("Road Trip"));
        QCOMPARE(card.read("Programs/RootDir.txt"), entries);
    }
};

QTEST_GUILESS_MAIN(TestEndToEnd)
#include "tst_endtoend.moc"
