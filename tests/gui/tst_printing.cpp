#include "frmmain.h"
#include "support/scriptedplatform.h"

#include <QtPrintSupport>
#include <QtTest>

class TestPrinting : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void print_data()
    {
        QTest::addColumn<bool>("card");
        QTest::addColumn<int>("copies"); // -1: the dialog is cancelled
        QTest::addColumn<bool>("collate");
        QTest::addColumn<QPoint>("range"); // from, to; 0, 0: all pages
        QTest::addColumn<QString>("expected"); // each page printed as "[first line .. last line]"

        // 40 playlist rows "T1.mp3"..., 3 card rows "C1.mp3"...; an A4 page holds 31 lines under the heading.
        const QString one = "[Party .. 31) T31]", two = "[32) T32 .. 40) T40]";
        QTest::newRow("2 copies collated") << false << 2 << true << QPoint() << one + two + one + two;
        QTest::newRow("2 copies not collated") << false << 2 << false << QPoint() << one + one + two + two;
        QTest::newRow("pages 2 to 2, 2 copies") << false << 2 << true << QPoint(2, 2) << two + two;
        QTest::newRow("pages 2 to 9 of 1") << true << 1 << true << QPoint(2, 9) << "";
        QTest::newRow("card") << true << 1 << true << QPoint() << "[Directory on /media/card .. 3) C3.mp3]";
        QTest::newRow("cancelled") << false << -1 << true << QPoint() << "";
    }

    void print()
    {
        QFETCH(bool, card);
        QFETCH(int, copies);
        QFETCH(bool, collate);
        QFETCH(QPoint, range);
        QTemporaryDir dir;
        ScriptedPlatform platform;
        frmMain window(platform);
        window.drvCard->setEditText("/media/card");
        window.txtName->setText("Party");
        for (int n = 1; n <= 40; ++n)
            window.lstList->addItem(QStringLiteral("T%1.mp3").arg(n));
        window.lstCard->addItems({"C1.mp3", "C2.mp3", "C3.mp3"});
        platform.printer = [&] {
            auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
            printer->setOutputFileName(dir.filePath("print.pdf"));
            printer->setPageSize(QPageSize(QPageSize::A4));
            printer->setCopyCount(copies);
            printer->setCollateCopies(collate);
            printer->setPrintRange(range.isNull() ? QPrinter::AllPages : QPrinter::PageRange);
            printer->setFromTo(range.x(), range.y());
            return copies < 0 ? nullptr : std::move(printer); // no printer: the dialog was cancelled
        };
        (card ? window.cmdPrintRoot : window.cmdPrint)->click();
        // pdftotext (poppler-utils, from scripts/setup.sh) ends each page with a form feed.
        QProcess pdftotext;
        pdftotext.start("pdftotext", {dir.filePath("print.pdf"), "-"});
        pdftotext.waitForFinished();
        QTEST(QString::fromUtf8(pdftotext.readAllStandardOutput())
                  .replace(QRegularExpression(R"(([^\n\f]+)\n[^\f]*?([^\n\f]+)\n+\f)"), "[\\1 .. \\2]"),
              "expected");
    }
};

QTEST_MAIN(TestPrinting)
#include "tst_printing.moc"
