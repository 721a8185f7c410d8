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

    void wrap_data()
    {
        QTest::addColumn<QString>("heading");
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QString>("expected");
        // Page 160 x 110, ten units a character: x = 20, twelve characters to a line, eight under "n)  "; lines 20
        // apart from y = 30, the page full past y = 100.
        // clang-format off
        QTest::newRow("short lines as they are") << "Playlist 1" << QStringList {"ab.mp3"}
            << "20,10:Playlist 1 20,30:1)  ab.mp3";
        QTest::newRow("broken after separators, indented")
            << "Playlist 1 - A very long" << QStringList {"My long-track_name.mp3", "b"}
            << "20,10:Playlist 1 - 20,30:A very long 20,50:1)  My long- 60,70:track_ 60,90:name.mp3 | 20,10:2)  b";
        QTest::newRow("no separator: cut where it fills") << "H" << QStringList {"abcdefghijklmnopqrst"}
            << "20,10:H 20,30:1)  abcdefgh 60,50:ijklmnop 60,70:qrst";
        // clang-format on
    }

    // No printed text passes the right margin: a long line goes on below, an entry's under its text.
    void wrap()
    {
        QFETCH(QString, heading);
        QFETCH(QStringList, entries);
        QStringList out;
        const auto measure = [](int, const QString &text) { return int(text.size()) * 10; };
        for (const PrintStep &s : layoutPages(heading, entries, 160, 110, 15, 15, 1, measure)) {
            if (s.kind == PrintStep::Kind::DrawText)
                out << QStringLiteral("%1,%2:%3").arg(s.x).arg(s.y).arg(s.text);
            else if (s.kind == PrintStep::Kind::NewPage)
                out << "|";
        }
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
