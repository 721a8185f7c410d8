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
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QList<int>>("page"); // width, height, heading's height, an entry's, copies; measured?
        QTest::addColumn<QString>("expected"); // "<size>", "x,y:text", "|" for a new page

        // Page 8 x 55: x = 1, top = 5, full once y > 50. Entry height 20: lines 25 apart.
        const QList<int> small {8, 55, 15, 20, 1, 0};
        QTest::newRow("ends on the limit: stays")
            << "H" << QStringList {"a", "b"} << small << "<18> 1,5:H <14> 1,25:1)  a 1,50:2)  b";
        QTest::newRow("past: breaks") << "H" << QStringList {"a", "b"} << QList<int> {8, 55, 16, 20, 1, 0}
                                      << "<18> 1,5:H <14> 1,26:1)  a | 1,5:2)  b";
        QTest::newRow("empty list, 2 copies")
            << "H" << QStringList() << QList<int> {8, 55, 15, 20, 2, 0} << "<18> 1,5:H <14> | <18> 1,5:H <14>";
        QTest::newRow("empty heading keeps its height")
            << "" << QStringList {"a"} << small << "<18> 1,5: <14> 1,25:1)  a";
        // No printed text passes the right margin: a long line goes on below, an entry's under its text. Page 160 x
        // 110, ten units a character: x = 20, twelve characters to a line, eight under "n)  "; lines 20 apart from
        // y = 30, the page full past y = 100.
        const QList<int> measured {160, 110, 15, 15, 1, 1};
        // clang-format off
        QTest::newRow("short lines as they are") << "Playlist 1" << QStringList {"ab.mp3"} << measured
            << "<18> 20,10:Playlist 1 <14> 20,30:1)  ab.mp3";
        QTest::newRow("broken after separators, indented")
            << "Playlist 1 - A very long" << QStringList {"My long-track_name.mp3", "b"} << measured
            << "<18> 20,10:Playlist 1 - 20,30:A very long <14> 20,50:1)  My long- 60,70:track_ 60,90:name.mp3 | "
               "20,10:2)  b";
        QTest::newRow("a separator only in the first half: cut where it fills")
            << "H" << QStringList {"a.cdefghijklmnopqrst"} << measured
            << "<18> 20,10:H <14> 20,30:1)  a.cdefgh 60,50:ijklmnop 60,70:qrst";
        // clang-format on
    }

    void layout()
    {
        QFETCH(QString, heading);
        QFETCH(QStringList, entries);
        QFETCH(QList<int>, page);
        const auto measure = [](int, const QString &text) { return int(text.size()) * 10; };
        QStringList out;
        for (const PrintStep &s : page[5]
                 ? layoutPages(heading, entries, page[0], page[1], page[2], page[3], page[4], measure)
                 : layoutPages(heading, entries, page[0], page[1], page[2], page[3], page[4]))
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
