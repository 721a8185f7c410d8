#include "playlist/playlistdocument.h"
#include "playlisthistory.h"

#include <QtTest>

using namespace Vexolo;
using Rows = QList<std::pair<QString, QString>>; // the plain reference: name and command string

class TestPlaylistDocument : public QObject
{
    Q_OBJECT

    static Rows rows(const PlaylistDocument &document)
    {
        Rows rows;
        for (const PlaylistEntry &entry : document.entries())
            rows.append({entry.name, entry.commandString});
        return rows;
    }

    static QList<quint64> ids(const PlaylistDocument &document)
    {
        QList<quint64> ids;
        for (const PlaylistEntry &entry : document.entries())
            ids.append(entry.id);
        return ids;
    }

private Q_SLOTS:
    void edits_data()
    {
        // From program 1, entries a to d: "+x" adds x, "-r" removes row r, "mF>T" moves row F to row T,
        // "dF>T" drags row F before row T, "sR" sets row R's string, "p" pastes onto all, "x" clears,
        // "lN" loads program N (one entry, z).
        QTest::addColumn<QString>("edits");
        QTest::addColumn<bool>("modified");
        // clang-format off
        QTest::newRow("moved and back") << "m0>3 m3>0" << false;
        QTest::newRow("a run of moves") << "m0>1 m1>2 m2>3" << true;
        QTest::newRow("dragged and back") << "d0>3 d2>0" << false;
        QTest::newRow("dragged onto itself") << "d1>1 d1>2" << false;
        QTest::newRow("removed, added again") << "-3 +d" << false;
        QTest::newRow("strings") << "s1 p" << true;
        QTest::newRow("cleared") << "x +a" << true;
        QTest::newRow("loaded after edits") << "-0 l2" << false;
        QTest::newRow("mixed") << "+e m4>0 -2 s0 d0>4 p -1 l3 +f m1>0" << true;
        // clang-format on
    }

    void edits()
    {
        QFETCH(QString, edits);
        PlaylistDocument document;
        Ui::PlaylistHistory history(document);
        PlaylistContent start {"1", "One", {}};
        for (const char *name : {"a", "b", "c", "d"})
            start.entries.append({0, name, name + QStringLiteral(" V7")});
        history.load(start);
        const QList<quint64> startIds = ids(document);
        Rows expected = rows(document);
        QString number = "1";
        for (const QString &edit : edits.split(' ')) {
            const QStringList at = edit.mid(1).split('>');
            const int from = at.first().toInt();
            const int to = at.last().toInt();
            switch (edit.at(0).toLatin1()) {
            case '+':
                expected.append({edit.mid(1), edit.mid(1) + " V7"});
                history.insert(document.count(), {{0, edit.mid(1), edit.mid(1) + " V7"}});
                break;
            case '-':
                expected.removeAt(from);
                history.remove(from, 1);
                break;
            case 'm':
                expected.move(from, to);
                history.move(from, 1, to);
                break;
            case 'd':
                QCOMPARE(document.moveRow({}, from, {}, to), to < from || to > from + 1);
                if (to < from || to > from + 1)
                    expected.move(from, to > from ? to - 1 : to);
                break;
            case 's':
                expected[from].second = expected[from].first + "1V3";
                history.setCommandStrings(from, {expected[from].second}, "Set");
                break;
            case 'p': {
                QStringList pasted;
                for (auto &[name, string] : expected)
                    pasted.append(string = name + " V9");
                history.setCommandStrings(0, pasted, "Paste");
                break;
            }
            case 'x':
                expected.clear();
                history.remove(0, document.count());
                break;
            case 'l':
                number = edit.mid(1);
                expected = {{"z", "z V7"}};
                history.load({number, "Z", {{0, "z", "z V7"}}});
                break;
            }
            QCOMPARE(rows(document), expected);
            QCOMPARE(document.number(), number);
        }
        QTEST(document.isModified(), "modified");
        const PlaylistContent end = document.content();
        const QList<quint64> endIds = ids(document);
        while (history.stack().canUndo())
            history.stack().undo();
        QCOMPARE(document.content(), start);
        QCOMPARE(ids(document), startIds);
        QVERIFY(!document.isModified());
        while (history.stack().canRedo())
            history.stack().redo();
        QCOMPARE(document.content(), end);
        QCOMPARE(ids(document), endIds);
        QTEST(document.isModified(), "modified");
    }
};

QTEST_MAIN(TestPlaylistDocument)
#include "tst_playlistdocument.moc"
