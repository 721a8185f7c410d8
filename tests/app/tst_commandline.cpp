#include "support/helpers.h"
#include "support/testcard.h"

#include <QtTest>

// The real program's command line, run without a display.
class TestCommandLine : public QObject
{
    Q_OBJECT

    // The program's exit status, then what it wrote to standard output and to standard error.
    static QStringList run(const QStringList &arguments)
    {
        QProcess app;
        app.setEnvironment({"LANG=C.UTF-8"}); // no display of any kind
        app.start(VEXOLO_APP_PATH, arguments);
        app.waitForFinished();
        return {QString::number(app.exitCode()), QString::fromUtf8(app.readAllStandardOutput()),
                QString::fromUtf8(app.readAllStandardError())};
    }

private Q_SLOTS:
    // What cannot be done: one line on standard error and status 2.
    void refused_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("said");
        // clang-format off
        QTest::newRow("toolkit option, no display") << QStringList{"-reverse"} << "cannot open a display";
        QTest::newRow("unknown verb") << QStringList{"frobnicate"} << "\"frobnicate\" is neither a command";
        QTest::newRow("no card") << QStringList{"compare", "/", "/none"} << "/: no card folder there";
        // clang-format on
    }

    void refused()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, said);
        const QStringList result = run(arguments);
        QCOMPARE(result[0], "2");
        QVERIFY(result[2].contains(said) && result[2].count(u'\n') == 1);
    }

    // Check, compare and copy a setup: what they print and their status; a dry run writes nothing.
    void cardVerbs()
    {
        TestCard from;
        TestCard to;
        from.addFiles({"A.mp3"});
        from.write("Programs/Program1.txt", "end");
        from.write("Programs/Program1.adv", "One");
        to.addFiles({"A.mp3"});
        const QString listing
            = "[{\"kind\":\"stale-listing\",\"message\":\"missing\",\"place\":\"Programs/RootDir.txt\","
              "\"repair\":\"write the listing anew\"}]\n";
        QCOMPARE(run({"check", to.root(), "--json"}), QStringList({"1", listing, ""}));
        QCOMPARE(run({"compare", from.root(), to.root()}),
                 QStringList({"1",
                              "Programs/Program1.txt: program 1 only on A\nPrograms/Program1.adv: the name is \"One\" "
                              "on A, empty on B\n",
                              ""}));
        const QStringList before = to.snapshot();
        QCOMPARE(run({"copy-setup", from.root(), to.root(), "--dry-run"}),
                 QStringList(
                     {"0",
                      "Programs/Program1.txt: would be written\nPrograms/Program1.adv: would be written\n"
                      "Programs/RootDir.txt: would be written anew\n2 files would be written; nothing was written.\n",
                      ""}));
        QCOMPARE(to.snapshot(), before);
        QCOMPARE(run({"copy-setup", from.root(), to.root()}),
                 QStringList({"0",
                              "Programs/Program1.txt: written\nPrograms/Program1.adv: written\n"
                              "2 files written; the copy reads back the same.\n",
                              ""}));
        QCOMPARE(run({"compare", from.root(), to.root()}), QStringList({"0", "", ""}));
        QCOMPARE(run({"copy-setup", from.root(), to.root(), "--dry-run"}),
                 QStringList({"0", "0 files would be written; nothing was written.\n", ""}));
        QCOMPARE(run({"check", to.root()}), QStringList({"0", "", ""}));
        QCOMPARE(run({"copy-setup", to.root(), to.root()}),
                 QStringList({"1", "", "FROM and TO are the same card: nothing to copy\n"}));
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
