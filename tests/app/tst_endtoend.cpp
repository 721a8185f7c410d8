#include "support/helpers.h"
#include "support/testcard.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTest>

#include <X11/Xlib.h>

// Starts the real program under Xvfb and uses it as a person would: types the card path, adds all
// tracks, names the playlist, saves and closes the window; then checks the card byte for byte.

class TestEndToEnd : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void typicalUse();

private:
    bool xdotool(const QStringList &arguments, QByteArray *output = nullptr);
    void click(int x, int y);
    void type(const QString &text);
    void closeWindow();

    QProcess m_xvfb;
    QString m_display;
    QString m_window;
};

void TestEndToEnd::initTestCase()
{
    const QString xvfb = QStandardPaths::findExecutable("Xvfb");
    if (xvfb.isEmpty() || QStandardPaths::findExecutable("xdotool").isEmpty())
        QSKIP("Xvfb or xdotool is not installed");
    m_xvfb.start(xvfb, {"-displayfd", "1", "-screen", "0", "1024x768x24", "-nolisten", "tcp"});
    QVERIFY(m_xvfb.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(m_xvfb.canReadLine(), 10000);
    m_display = QLatin1Char(':') + QString::fromLatin1(m_xvfb.readLine().trimmed());
}

void TestEndToEnd::cleanupTestCase()
{
    if (m_xvfb.state() != QProcess::NotRunning) {
        m_xvfb.terminate();
        m_xvfb.waitForFinished();
    }
}

bool TestEndToEnd::xdotool(const QStringList &arguments, QByteArray *output)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("DISPLAY", m_display);
    process.setProcessEnvironment(environment);
    process.start("xdotool", arguments);
    if (!process.waitForFinished(20000) || process.exitCode() != 0)
        return false;
    if (output)
        *output = process.readAllStandardOutput();
    return true;
}

void TestEndToEnd::click(int x, int y)
{
    QVERIFY(xdotool({"mousemove", "--window", m_window, QString::number(x), QString::number(y)}));
    QVERIFY(xdotool({"click", "1"}));
}

void TestEndToEnd::type(const QString &text)
{
    QVERIFY(xdotool({"type", "--delay", "15", text}));
}

void TestEndToEnd::closeWindow()
{
    // What a window manager's close button sends: the program gets its ordinary close event.
    Display *display = XOpenDisplay(m_display.toLatin1().constData());
    QVERIFY(display);
    XEvent event = {};
    event.xclient.type = ClientMessage;
    event.xclient.window = m_window.toULong();
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = long(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, event.xclient.window, False, NoEventMask, &event);
    XFlush(display);
    XCloseDisplay(display);
}

void TestEndToEnd::typicalUse()
{
    TestCard card;
    card.addFiles({"Intro.mp3", "B side.mp3", "notes.txt"});
    card.write("Intro.adv", "Intro.mp31V5 P30");

    QProcess app;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("DISPLAY", m_display);
    environment.insert("QT_QPA_PLATFORM", "xcb");
    app.setProcessEnvironment(environment);
    app.start(QStringLiteral(VEXOLO_APP_PATH), {});
    QVERIFY(app.waitForStarted());

    QByteArray found;
    QVERIFY(xdotool({"search", "--sync", "--onlyvisible", "--name", "^Vexolo Playlist Setup$"}, &found));
    m_window = QString::fromLatin1(found.split('\n').first().trimmed());
    QTest::qWait(300);

    click(60, 170); // the volume list
    type(card.root());
    QTest::qWait(300);
    click(330, 354); // ">>>"
    click(647, 58);  // the name
    type("Road Trip");
    click(698, 232); // "Save"
    QTest::qWait(500);
    closeWindow();
    QVERIFY(app.waitForFinished(15000));
    QCOMPARE(app.exitStatus(), QProcess::NormalExit);

    QCOMPARE(card.read("Programs/Program1.txt"), record("B side.mp3 V7") + record("Intro.mp31V5 P30") + "end");
    QCOMPARE(card.read("Programs/Program1.adv"), QByteArray("Road Trip"));
    QCOMPARE(card.read("Programs/RootDir.txt"), record("B side.mp3 V7") + record("Intro.mp31V5 P30") + "end");
}

QTEST_GUILESS_MAIN(TestEndToEnd)
#include "tst_endtoend.moc"
