#include "main/frmmain.h"
#include "printing/cuesheetprinting.h"
#include "printing/printing.h"
#include "storage/cardsession.h"
#include "support/helpers.h"
#include "support/scriptedplatform.h"
#include "support/testcard.h"
#include "support/windows.h"

#include <QtPrintSupport>
#include <QtTest>

using namespace Vexolo;

class TestPrinting : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void print_data()
    {
        QTest::addColumn<QString>("button"); // "": Print Cue Sheet
        QTest::addColumn<int>("copies"); // -1: the dialog is cancelled
        QTest::addColumn<bool>("collate");
        QTest::addColumn<QPoint>("range"); // from, to; 0, 0: all pages
        QTest::addColumn<QString>("expected"); // each page printed as "[first line .. last line]", then the fonts

        // 40 tracks "T1.mp3"... on the card and in the playlist; an A4 page holds 31 lines under the heading.
        const QString one = "[Party .. 31) T31]";
        const QString two = "[32) T32 .. 40) T40]";
        const QString bold = "LiberationSans-Bold\n";
        QTest::newRow("2 copies collated") << "cmdPrint" << 2 << true << QPoint() << one + two + one + two + bold;
        QTest::newRow("2 copies not collated") << "cmdPrint" << 2 << false << QPoint() << one + one + two + two + bold;
        QTest::newRow("pages 2 to 2, 2 copies") << "cmdPrint" << 2 << true << QPoint(2, 2) << two + two + bold;
        QTest::newRow("pages 3 to 9 of 2") << "cmdPrint" << 1 << true << QPoint(3, 9) << "";
        QTest::newRow("card") << "cmdPrintRoot" << 1 << true << QPoint()
                              << "[Directory on %1 .. 31) T37.mp3][32) T38.mp3 .. 40) T9.mp3]" + bold;
        // Five entries on a page of the cue sheet, each a run of its own; a page's text ends with its last time scale.
        QStringList cue {"[Program 1: Party .. 8]"};
        for (int n = 6; n <= 36; n += 5)
            cue << QString("[%1) T%1 \u2014 length unknown \u00b7 starts 0:00.0 into run %1 .. 8]").arg(n);
        cue << bold + "LiberationSans\n";
        QTest::newRow("cue sheet") << "" << 1 << true << QPoint() << cue.join("");
        QTest::newRow("cue sheet pages 2 to 3, 2 copies")
            << "" << 2 << false << QPoint(2, 3) << cue[1] + cue[1] + cue[2] + cue[2] + cue[8];
        QTest::newRow("cancelled") << "cmdPrint" << -1 << true << QPoint() << "";
        QTest::newRow("cue sheet cancelled") << "" << -1 << true << QPoint() << "";
    }

    void print()
    {
        QFETCH(QString, button);
        QFETCH(int, copies);
        QFETCH(bool, collate);
        QFETCH(QPoint, range);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        ScriptedPlatform platform;
        TestCard sd;
        QByteArray program;
        for (int n = 1; n <= 40; ++n) {
            sd.addFiles({QStringLiteral("T%1.mp3").arg(n)});
            program += record(QStringLiteral("T%1.mp3 V7").arg(n).toLatin1());
        }
        sd.write("Programs/Program1.txt", program + "end");
        sd.write("Programs/Program1.adv", "Party");
        frmMain window(platform);
        control<QComboBox>(&window, "drvCard")->setEditText(sd.root());
        QVERIFY(settled());
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
        if (button.isEmpty()) {
            window.printCueSheet();
            QVERIFY(settled()); // the lengths read first, on the card's worker
        } else
            control<QPushButton>(&window, qPrintable(button))->click();
        QVERIFY(settled()); // drawn on the printer's own worker
        // pdftotext and pdffonts (poppler-utils, from scripts/setup.sh); pdftotext ends each page with a form feed.
        QProcess pdftotext;
        pdftotext.start(
            "sh",
            {"-c", R"(pdftotext "$0" - && pdffonts "$0" | tail -n +3 | cut -d" " -f1)", dir.filePath("print.pdf")});
        pdftotext.waitForFinished();
        QCOMPARE(QString::fromUtf8(pdftotext.readAllStandardOutput())
                     .replace(QRegularExpression(R"(([^\n\f]+)\n[^\f]*?([^\n\f]+)\n+\f)"), "[\\1 .. \\2]"),
                 expected.replace("%1", sd.root()));
        QVERIFY(platform.shown.isEmpty()); // no failure told, not even for pages past the end
        QVERIFY(platform.printed.endsWith(button == "cmdPrintRoot" ? "Card tracks" : "Playlist 1 - Party"));
    }

    // A printer that cannot start (its file cannot be made) prints nothing, and says so.
    void printerFails()
    {
        ScriptedPlatform platform;
        frmMain window(platform);
        platform.printer = [] {
            auto printer = std::make_unique<QPrinter>();
            printer->setOutputFileName("/nonexistent/print.pdf");
            return printer;
        };
        control<QPushButton>(&window, "cmdPrint")->click();
        window.printCueSheet();
        QTRY_COMPARE(platform.shown, QStringList(2, NotPrintedMessage));
    }

    // Stopped after its first page, the cue sheet says so and draws no more.
    void cueSheetStopped()
    {
        QTemporaryDir dir;
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFileName(dir.filePath("cue.pdf"));
        const CueSheet sheet {"1", "", "today", {}, QList<CueEntry>(40, {"T.mp3 V7", std::nullopt}), {}, {}};
        QList<int> told;
        QVERIFY(!printCueSheet(printer, sheet, [&told](int drawn, int total) {
            told << drawn << total;
            return drawn < 1;
        }));
        QCOMPARE(told, QList<int>({0, 7, 1, 7}));
        QProcess pages;
        pages.start("pdfinfo", {dir.filePath("cue.pdf")});
        pages.waitForFinished();
        QVERIFY(pages.readAllStandardOutput().contains("Pages:           1\n"));
    }
};

QTEST_MAIN(TestPrinting)
#include "tst_printing.moc"
