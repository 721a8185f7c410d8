#include "reports/pagelayout.h"

#include <QTest>

using namespace Vexolo;

class TestPageLayout : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void layout_data()
    {
        QTest::addColumn<QString>("heading");
        QTest::addColumn<int>("headingHeight");
        QTest::addColumn<QString>("entries"); // one letter each
        QTest::addColumn<int>("copies");
        QTest::addColumn<QString>("expected"); // "<size>", "x,y:text", "|" for a new page

        // Page 8 x 55: x = 1, top = 5, full once y > 50. Entry height 20: lines 25 apart.
        QTest::newRow("ends on the limit: stays") << "H" << 15 << "ab" << 1 << "<18> 1,5:H <14> 1,25:1)  a 1,50:2)  b";
        QTest::newRow("past: breaks") << "H" << 16 << "ab" << 1 << "<18> 1,5:H <14> 1,26:1)  a | 1,5:2)  b";
        QTest::newRow("empty list, 2 copies") << "H" << 15 << "" << 2 << "<18> 1,5:H <14> | <18> 1,5:H <14>";
        QTest::newRow("empty heading keeps its height") << "" << 15 << "a" << 1 << "<18> 1,5: <14> 1,25:1)  a";
    }

    void layout()
    {
        QFETCH(QString, heading);
        QFETCH(int, headingHeight);
        QFETCH(QString, entries);
        QFETCH(int, copies);
        const QStringList texts = entries.split(QString(), Qt::SkipEmptyParts);
        QStringList out;
        for (const PrintStep &s : layoutPages(heading, texts, 8, 55, headingHeight, 20, copies))
            out << (s.kind == PrintStep::Kind::DrawText      ? QStringLiteral("%1,%2:%3").arg(s.x).arg(s.y).arg(s.text)
                        : s.kind == PrintStep::Kind::SetSize ? QStringLiteral("<%1>").arg(s.size)
                                                             : QStringLiteral("|"));
        QTEST(out.join(' '), "expected");
    }

    void order()
    {
        // Of 3 pages: 1 to 3 uncollated, last first; 1 to 9 collated; 0 to 2; no copies.
        QCOMPARE(printOrder(3, 1, 3, 2, false, true), QList<int>({2, 2, 1, 1, 0, 0}));
        QCOMPARE(printOrder(3, 1, 9, 2, true, false), QList<int>({0, 1, 2, 0, 1, 2}));
        QCOMPARE(printOrder(3, 0, 2, 1, true, false), QList<int>({0, 1}));
        QCOMPARE(printOrder(3, 0, 0, 0, false, false), QList<int>());
    }
};

QTEST_GUILESS_MAIN(TestPageLayout)
#include "tst_pagelayout.moc"
