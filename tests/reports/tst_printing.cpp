#include "app/frmmain.h"
#include "support/scriptedplatform.h"

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPageLayout>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalBlocker>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

// The dialog's answer: a real printer writing an A4 PDF, as "print to file" gives.
std::function<std::unique_ptr<QPrinter>()> pdfPrinter(const QString &fileName, int copies)
{
    return [fileName, copies] {
        auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(fileName);
        printer->setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(10, 10, 10, 10),
                                           QPageLayout::Point));
        printer->setCopyCount(copies);
        return printer;
    };
}

// Page objects of the PDF, read from the file itself.
int pageCount(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    static const QRegularExpression page(QStringLiteral("/Type\\s*/Page(?![A-Za-z])"));
    int pages = 0;
    for (QRegularExpressionMatchIterator it = page.globalMatch(QString::fromLatin1(file.readAll())); it.hasNext();
         it.next())
        ++pages;
    return pages;
}

// The text lines of each page, blanks collapsed, as poppler's pdftotext reads them.
QList<QStringList> pageTexts(const QString &fileName, int pages)
{
    QList<QStringList> texts;
    for (int page = 1; page <= pages; ++page) {
        QProcess process;
        process.start(QStringLiteral("pdftotext"),
                      {"-enc", "UTF-8", "-f", QString::number(page), "-l", QString::number(page), fileName, "-"});
        if (!process.waitForFinished() || process.exitCode() != 0)
            return {};
        QStringList lines;
        for (const QString &line : QString::fromUtf8(process.readAllStandardOutput()).split(QLatin1Char('\n'))) {
            const QString text = line.simplified();
            if (!text.isEmpty())
                lines.append(text);
        }
        texts.append(lines);
    }
    return texts;
}

} // namespace

class TestPrinting : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void playlistOverTwoPagesTwoCopies();
    void cardListUnderItsPath_data();
    void cardListUnderItsPath();
    void cancelledDialogPrintsNothing();
    void noCopiesPrintsNothing();

private:
    QString pdf() const { return m_dir->filePath(QStringLiteral("print.pdf")); }

    ScriptedPlatform *m_platform = nullptr;
    frmMain *m_window = nullptr;
    QTemporaryDir *m_dir = nullptr;
};

void TestPrinting::initTestCase()
{
    QVERIFY2(!QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty(),
             "pdftotext (poppler-utils, installed by scripts/setup.sh) reads the printed pages");
}

void TestPrinting::init()
{
    m_dir = new QTemporaryDir;
    QVERIFY(m_dir->isValid());
    m_platform = new ScriptedPlatform;
    m_window = new frmMain(*m_platform);
}

void TestPrinting::cleanup()
{
    delete m_window;
    delete m_platform;
    delete m_dir;
}

void TestPrinting::playlistOverTwoPagesTwoCopies()
{
    // An A4 page holds about 40 lines: 60 entries take two pages per copy.
    const int count = 60;
    QStringList expected{QStringLiteral("Summer Party")};
    for (int n = 1; n <= count; ++n) {
        m_window->lstList->addItem(QStringLiteral("Track %1.mp3").arg(n));
        expected.append(QStringLiteral("%1) Track %1").arg(n));
    }
    m_window->lstList->item(1)->setText(QStringLiteral("Track 2.mp3 remix.mp3"));
    m_window->txtName->setText(QStringLiteral("Summer Party"));
    m_platform->printer = pdfPrinter(pdf(), 2);

    m_window->cmdPrint->click();

    QCOMPARE(m_platform->printerDialogs, 1);
    QCOMPARE(pageCount(pdf()), 4);
    const QList<QStringList> pages = pageTexts(pdf(), 4);
    QCOMPARE(pages.size(), 4);
    // Each copy: the heading on its first page only, the numbering going on across the break.
    for (const int first : {0, 2}) {
        QVERIFY(pages.at(first).size() > 1);
        QVERIFY(pages.at(first + 1).size() > 1);
        QVERIFY(!pages.at(first + 1).contains(QStringLiteral("Summer Party")));
        QCOMPARE(pages.at(first) + pages.at(first + 1), expected);
    }
    QVERIFY(m_platform->shown.isEmpty());
}

void TestPrinting::cardListUnderItsPath_data()
{
    QTest::addColumn<QString>("cardPath");
    QTest::addColumn<QStringList>("tracks");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("card chosen") << "/media/card" << QStringList{"A.mp3", "Intro.mp3.mp3", "Élan.MP3"}
                                 << QStringList{"Directory on /media/card", "1) A.mp3", "2) Intro.mp3.mp3",
                                                "3) Élan.MP3"};
    QTest::newRow("no card chosen") << "" << QStringList{} << QStringList{"Directory on"};
}

void TestPrinting::cardListUnderItsPath()
{
    QFETCH(QString, cardPath);
    QFETCH(QStringList, tracks);
    QFETCH(QStringList, expected);

    {
        // The rows as a chosen card leaves them, without reading a card.
        const QSignalBlocker blocker(m_window->drvCard);
        m_window->drvCard->setEditText(cardPath);
    }
    m_window->lstCard->addItems(tracks);
    m_window->lstList->addItem(QStringLiteral("Not printed.mp3"));
    m_platform->printer = pdfPrinter(pdf(), 1);

    m_window->cmdPrintRoot->click();

    QCOMPARE(pageCount(pdf()), 1);
    QCOMPARE(pageTexts(pdf(), 1), QList<QStringList>{expected});
}

void TestPrinting::cancelledDialogPrintsNothing()
{
    m_window->lstList->addItem(QStringLiteral("Intro.mp3"));
    m_window->lstCard->addItem(QStringLiteral("Intro.mp3"));

    m_window->cmdPrint->click();
    m_window->cmdPrintRoot->click();

    QCOMPARE(m_platform->printerDialogs, 2);
    QVERIFY(m_platform->shown.isEmpty());
}

void TestPrinting::noCopiesPrintsNothing()
{
    m_window->lstList->addItem(QStringLiteral("Intro.mp3"));
    m_platform->printer = pdfPrinter(pdf(), 0);

    m_window->cmdPrint->click();

    QCOMPARE(m_platform->printerDialogs, 1);
    QVERIFY(!QFile::exists(pdf()));
    QVERIFY(m_platform->shown.isEmpty());
}

QTEST_MAIN(TestPrinting)
#include "tst_printing.moc"
