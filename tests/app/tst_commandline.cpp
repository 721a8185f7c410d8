#include <QtTest>

// The real program's command line, run without a display: what each form answers and its exit status.
class TestCommandLine : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void exitStatus_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("said");
        // clang-format off
        QTest::newRow("help") << QStringList{"--help"} << 0 << "Usage: vexolo-playlist-setup";
        QTest::newRow("toolkit flag") << QStringList{"-reverse", "--version"} << 0 << "vexolo-playlist-setup 1.0.0";
        QTest::newRow("toolkit value") << QStringList{"-style", "fusion", "-v"} << 0 << "vexolo-playlist-setup 1.0.0";
        QTest::newRow("unknown verb") << QStringList{"frobnicate"} << 2 << "\"frobnicate\" is neither a command";
        QTest::newRow("two folders") << QStringList{"/", "/tmp"} << 2 << "one card folder at most";
        QTest::newRow("no display") << QStringList{"/"} << 2 << "cannot open a display";
        // clang-format on
    }

    void exitStatus()
    {
        QFETCH(QStringList, arguments);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove("DISPLAY");
        environment.remove("WAYLAND_DISPLAY");
        environment.insert("QT_QPA_PLATFORM", "xcb");
        QProcess app;
        app.setProcessEnvironment(environment);
        app.start(QStringLiteral(VEXOLO_APP_PATH), arguments);
        QVERIFY(app.waitForFinished(10000));
        QCOMPARE(app.exitStatus(), QProcess::NormalExit);
        QFETCH(int, status);
        QFETCH(QString, said);
        QCOMPARE(app.exitCode(), status);
        // Results on standard output; a problem is one line on standard error.
        const QString shown = QString::fromUtf8(status == 0 ? app.readAllStandardOutput() : app.readAllStandardError());
        QVERIFY2(shown.contains(said), qPrintable(shown));
        if (status != 0)
            QCOMPARE(shown.count(u'\n'), 1);
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
