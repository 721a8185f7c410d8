#include "reports/pagelayout.h"

#include <QTest>

using namespace Vexolo;

namespace {

// One readable line per step, so a failing comparison shows the step that differs.
QStringList describe(const QList<PrintStep> &steps)
{
    QStringList lines;
    for (const PrintStep &step : steps) {
        switch (step.kind) {
        case PrintStep::Kind::SetSize:
            lines.append(QStringLiteral("size %1").arg(step.size));
            break;
        case PrintStep::Kind::DrawText:
            lines.append(QStringLiteral("text %1,%2 %3").arg(step.x).arg(step.y).arg(step.text));
            break;
        case PrintStep::Kind::NewPage:
            lines.append(QStringLiteral("page"));
            break;
        }
    }
    return lines;
}

// Entry lines (drawn at the entry size) on each page.
QList<int> linesPerPage(const QList<PrintStep> &steps)
{
    QList<int> pages{0};
    int size = 0;
    for (const PrintStep &step : steps) {
        if (step.kind == PrintStep::Kind::NewPage)
            pages.append(0);
        else if (step.kind == PrintStep::Kind::SetSize)
            size = step.size;
        else if (size == EntryTextSize)
            ++pages.last();
    }
    return pages;
}

QStringList entries(int count)
{
    QStringList texts;
    for (int n = 1; n <= count; ++n)
        texts.append(QStringLiteral("Track %1").arg(n));
    return texts;
}

} // namespace

class TestPageLayout : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void steps_data();
    void steps();
    void pageBreaks_data();
    void pageBreaks();
    void noCopiesNoSteps();
};

void TestPageLayout::steps_data()
{
    QTest::addColumn<QString>("heading");
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("copies");
    QTest::addColumn<QStringList>("expected");

    // 80 x 110: x = 10, top = 10, page end 100. Heading height 40, entry height 15: entries start
    // at 10 + 40 + 5 = 55 and advance by 20; the first page holds 3 entry lines, later pages 5.
    QTest::newRow("short list")
        << "Party" << QStringList{"Intro", "Outro"} << 80 << 110 << 1
        << QStringList{"size 18", "text 10,10 Party", "size 14", "text 10,55 1)  Intro", "text 10,75 2)  Outro"};
    QTest::newRow("empty list: heading only")
        << "Party" << QStringList{} << 80 << 110 << 1 << QStringList{"size 18", "text 10,10 Party", "size 14"};
    QTest::newRow("empty list, two copies: a page each")
        << "Party" << QStringList{} << 80 << 110 << 2
        << QStringList{"size 18", "text 10,10 Party", "size 14", "page", "size 18", "text 10,10 Party", "size 14"};
    QTest::newRow("two copies: heading again, numbering restarts")
        << "Party" << QStringList{"Intro", "Outro"} << 80 << 110 << 2
        << QStringList{"size 18", "text 10,10 Party", "size 14", "text 10,55 1)  Intro", "text 10,75 2)  Outro",
                       "page",
                       "size 18", "text 10,10 Party", "size 14", "text 10,55 1)  Intro", "text 10,75 2)  Outro"};
    QTest::newRow("empty heading keeps its height")
        << "" << QStringList{"Intro"} << 80 << 110 << 1
        << QStringList{"size 18", "text 10,10 ", "size 14", "text 10,55 1)  Intro"};
    QTest::newRow("continuation page: no heading, numbering goes on")
        << "Party" << QStringList{"a", "b", "c", "d", "e"} << 80 << 110 << 1
        << QStringList{"size 18", "text 10,10 Party", "size 14", "text 10,55 1)  a", "text 10,75 2)  b",
                       "text 10,95 3)  c",
                       "page",
                       "text 10,10 4)  d", "text 10,30 5)  e"};
    QTest::newRow("page full after the last line: no empty page")
        << "Party" << QStringList{"a", "b", "c"} << 80 << 110 << 2
        << QStringList{"size 18", "text 10,10 Party", "size 14", "text 10,55 1)  a", "text 10,75 2)  b",
                       "text 10,95 3)  c",
                       "page",
                       "size 18", "text 10,10 Party", "size 14", "text 10,55 1)  a", "text 10,75 2)  b",
                       "text 10,95 3)  c"};
    // 87 / 8 = 10.875 and 120 / 11 = 10.9: both round down.
    QTest::newRow("positions round down")
        << "Party" << QStringList{"a"} << 87 << 120 << 1
        << QStringList{"size 18", "text 10,10 Party", "size 14", "text 10,55 1)  a"};
    QTest::newRow("texts kept as given")
        << " " << QStringList{"", "Intro.mp3", " x "} << 80 << 110 << 1
        << QStringList{"size 18", "text 10,10  ", "size 14", "text 10,55 1)  ", "text 10,75 2)  Intro.mp3",
                       "text 10,95 3)   x "};
}

void TestPageLayout::steps()
{
    QFETCH(QString, heading);
    QFETCH(QStringList, entries);
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(int, copies);
    QFETCH(QStringList, expected);

    QCOMPARE(describe(layoutPages(heading, entries, width, height, 40, 15, copies)), expected);
}

void TestPageLayout::pageBreaks_data()
{
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("headingHeight");
    QTest::addColumn<int>("entryHeight");
    QTest::addColumn<int>("count");
    QTest::addColumn<QList<int>>("expected");

    // Height 110: top 10, page end exactly 100. Entry height 5 advances by 10.
    // Heading height 5: lines at 20, 30, ... 100; y reaches 100 after line 8, not past it.
    QTest::newRow("line ending on the page end stays") << 110 << 5 << 5 << 10 << QList<int>{9, 1};
    // Heading height 6: y reaches 101 after line 8.
    QTest::newRow("one past the page end breaks") << 110 << 6 << 5 << 10 << QList<int>{8, 2};
    // Height 111: top 10, page end 100.909...; 101 is past it, 100 is not.
    QTest::newRow("101 is past a page end of 100.9") << 111 << 6 << 5 << 10 << QList<int>{8, 2};
    QTest::newRow("100 is before a page end of 100.9") << 111 << 5 << 5 << 10 << QList<int>{9, 1};
    // Continuation pages start at 10: lines at 10 ... 100, ten of them.
    QTest::newRow("continuation pages hold more") << 110 << 5 << 5 << 30 << QList<int>{9, 10, 10, 1};
    QTest::newRow("exactly full pages") << 110 << 5 << 5 << 19 << QList<int>{9, 10};
    // 10 * height does not fit in an int: top 30,000,000, page end 300,000,000, advance 27,000,000.
    QTest::newRow("huge page") << 330000000 << 26999995 << 26999995 << 11 << QList<int>{10, 1};
}

void TestPageLayout::pageBreaks()
{
    QFETCH(int, height);
    QFETCH(int, headingHeight);
    QFETCH(int, entryHeight);
    QFETCH(int, count);
    QFETCH(QList<int>, expected);

    QCOMPARE(linesPerPage(layoutPages("Heading", entries(count), 80, height, headingHeight, entryHeight, 1)), expected);
}

void TestPageLayout::noCopiesNoSteps()
{
    QVERIFY(layoutPages("Heading", entries(3), 80, 110, 40, 15, 0).isEmpty());
    QVERIFY(layoutPages("Heading", entries(3), 80, 110, 40, 15, -1).isEmpty());
}

QTEST_GUILESS_MAIN(TestPageLayout)
#include "tst_pagelayout.moc"
