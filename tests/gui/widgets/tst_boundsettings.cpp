#include "widgets/boundsettings.h"

#include <QtTest>

#include <sys/stat.h>

using namespace Vexolo::Ui;

// A settings file is judged before it is read: a huge one, or one that is no regular file, is never read.
class TestBoundSettings : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;

    QString appFile() const { return m_home.filePath("Org/App.conf"); }

private Q_SLOTS:
    void initTestCase()
    {
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_home.path()));
        QCoreApplication::setOrganizationName("Org");
        QCoreApplication::setApplicationName("App");
        QVERIFY(QDir(m_home.path()).mkpath("Org"));
    }

    void judged_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("usable");
        QTest::newRow("none") << "" << true;
        QTest::newRow("small") << "small" << true;
        QTest::newRow("at the limit") << "limit" << true;
        QTest::newRow("past the limit") << "large" << false;
        QTest::newRow("a link to a small file") << "link" << false;
        QTest::newRow("a FIFO") << "fifo" << false;
        QTest::newRow("the organization's file past the limit") << "organization" << false;
    }

    void judged()
    {
        QFETCH(QString, kind);
        QDir(m_home.path()).removeRecursively();
        QVERIFY(QDir().mkpath(m_home.filePath("Org")));
        QFile file(kind == "organization" ? m_home.filePath("Org.conf") : appFile());
        if (kind == "small" || kind == "limit" || kind == "large" || kind == "organization")
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write("[General]\nx=1\n") > 0
                    && file.resize(kind == "small" ? 14 : SettingsFileLimit + (kind == "limit" ? 0 : 1)));
        if (kind == "link")
            QVERIFY(QFile(m_home.filePath("real.conf")).open(QIODevice::WriteOnly)
                    && QFile::link(m_home.filePath("real.conf"), appFile()));
        if (kind == "fifo")
            QCOMPARE(::mkfifo(qPrintable(appFile()), 0600), 0);
        QVERIFY(settingsFiles().contains(appFile()));
        QTEST(settingsFilesUsable(settingsFiles()), "usable");
    }

    // A huge file, once bound, is neither read nor written: nothing is remembered, and the file stays as it was.
    void hugeFileIgnored()
    {
        QFile file(appFile());
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("[General]\nx=1\n") > 0
                && file.resize(qint64(300) << 20)); // sparse
        file.close();
        QVERIFY(!boundSettings());
        QSettings settings;
        QVERIFY(!settings.value("x").isValid());
        settings.setValue("y", 2);
        settings.sync();
        QCOMPARE(QFileInfo(appFile()).size(), qint64(300) << 20);
        QVERIFY(!QFileInfo::exists("/dev/null/settings"));
    }
};

QTEST_GUILESS_MAIN(TestBoundSettings)
#include "tst_boundsettings.moc"
