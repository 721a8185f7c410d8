#include <QtTest>

// The real program's command line, run without a display: one line on standard error and status 2 for
// what cannot be done.
class TestCommandLine : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void refused_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("said");
        // clang-format off
        QTest::newRow("toolkit option, no display") << QStringList{"-reverse"} << "cannot open a display";
        QTest::newRow("unknown verb") << QStringList{"frobnicate"} << "\"frobnicate\" is neither a command";
        // clang-format on
    }

    void refused()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, said);
        QProcess app;
        app.setEnvironment({"LANG=C.UTF-8"}); // no display of any kind
        app.start(VEXOLO_APP_PATH, arguments);
        QVERIFY(app.waitForFinished());
        QCOMPARE(app.exitCode(), 2);
        const QString shown = QString::fromUtf8(app.readAllStandardError());
        QVERIFY(shown.contains(said) && shown.count(u'\n') == 1);
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
