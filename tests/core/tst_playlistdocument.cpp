#include "main/playlisthistory.h"
#include "playlist/playlistdocument.h"

#include <QtTest>

using namespace Vexolo;
using Rows = QList<std::pair<QString, QString>>; // the plain reference: name and command string

class TestPlaylistDocument : public QObject
{
    Q_OBJECT

    // What a view reads: each row's name and string through the model.
    static Rows rows(const PlaylistDocument &document)
    {
        Rows rows;
        for (int row = 0; row < document.rowCount(); ++row) {
            const QModelIndex at = document.index(row);
            rows.append({at.data(PlaylistDocument::NameRole).toString(),
                         at.data(PlaylistDocument::CommandStringRole).toString()});
        }
        return rows;
    }

    static QList<quint64> ids(const PlaylistDocument &document)
    {
        QList<quint64> ids;
        for (int row = 0; row < document.rowCount(); ++row)
            ids.append(document.index(row).data(PlaylistDocument::IdRole).toULongLong());
        return ids;
    }

    // Runs an edit as a view sees it: every index held on an entry follows it (or goes with it), and
    // every string that changed was said to change.
    void followed(const PlaylistDocument &document, const std::function<void()> &edit)
    {
        const QList<quint64> heldIds = ids(document);
        const QStringList strings = document.commandStrings();
        QList<QPersistentModelIndex> held;
        for (int row = 0; row < document.count(); ++row)
            held.append(document.index(row));
        QSet<int> told;
        const auto connection = connect(&document, &QAbstractItemModel::dataChanged, this,
                                        [&told](const QModelIndex &top, const QModelIndex &bottom) {
                                            for (int row = top.row(); row <= bottom.row(); ++row)
                                                told.insert(row);
                                        });
        edit();
        disconnect(connection);
        QVERIFY(!document.index(document.count()).isValid()); // no entry past the last
        for (int i = 0; i < held.size(); ++i) {
            QCOMPARE(held[i].row(), document.rowOf(heldIds[i]));
            if (held[i].isValid() && held[i].data(PlaylistDocument::CommandStringRole) != strings[i])
                QVERIFY(told.contains(held[i].row()));
        }
    }

private Q_SLOTS:
    void edits_data()
    {
        // From program 1, entries a to d: "+x" adds x, "-r" removes row r, "mF>T" moves row F to row T,
        // "dF>T" drags row F before row T, "rF>T" is such a drag refused, "sR" sets row R's string,
        // "p" pastes onto all, "x" clears, "lN" loads program N (one entry, z).
        QTest::addColumn<QString>("edits");
        QTest::addColumn<bool>("modified");
        QTest::addColumn<int>("steps"); // undo steps left; a run of moves of one range is one
        // clang-format off
        QTest::newRow("moved and back") << "m0>3 m3>0" << false << 0;
        QTest::newRow("a run of moves") << "m0>1 m1>2 m2>3" << true << 1;
        QTest::newRow("moves of others") << "m0>1 m2>3 m3>1" << true << 2;
        QTest::newRow("dragged to the ends and back") << "d0>4 d3>0" << false << 0;
        QTest::newRow("drags refused") << "r1>1 r1>2 r4>0 r0>5 r-1>2 r0>-1" << false << 0;
        QTest::newRow("removed, added again") << "-3 +d" << false << 2;
        QTest::newRow("strings") << "s1 p" << true << 2;
        QTest::newRow("cleared") << "x x +a" << true << 2;
        QTest::newRow("loaded after edits") << "-0 l2" << false << 2;
        QTest::newRow("mixed") << "+e m4>0 -2 s0 d0>4 p -1 l3 +f m1>0" << true << 10;
        // clang-format on
    }

    void edits()
    {
        QFETCH(QString, edits);
        PlaylistDocument document;
        QAbstractItemModelTester tester(&document, QAbstractItemModelTester::FailureReportingMode::QtTest);
        Ui::PlaylistHistory history(document);
        PlaylistContent start {1, "One", {}};
        for (const char *name : {"a", "b", "c", "d"})
            start.entries.append({0, name, name + QStringLiteral(" V7")});
        history.load(start);
        const QList<quint64> startIds = ids(document);
        Rows expected = rows(document);
        for (const QString &edit : edits.split(' ')) {
            const QStringList at = edit.mid(1).split('>');
            const int from = at.first().toInt();
            const int to = at.last().toInt();
            followed(document, [&] {
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
                    QVERIFY(document.moveRow({}, from, {}, to));
                    expected.move(from, to > from ? to - 1 : to);
                    break;
                case 'r':
                    QVERIFY(!document.moveRow({}, from, {}, to));
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
                    expected = {{"z", "z V7"}};
                    history.load({*ProgramNumber::fromText(edit.mid(1)), "Z", {{0, "z", "z V7"}}});
                    break;
                }
            });
            QCOMPARE(rows(document), expected);
        }
        QTEST(document.isModified(), "modified");
        QTEST(int(history.stack().count()), "steps");
        const PlaylistContent end = document.content();
        const QList<quint64> endIds = ids(document);
        while (history.stack().canUndo())
            followed(document, [&history] { history.stack().undo(); });
        QCOMPARE(document.content(), start);
        QCOMPARE(ids(document), startIds);
        QVERIFY(!document.isModified());
        while (history.stack().canRedo())
            followed(document, [&history] { history.stack().redo(); });
        QCOMPARE(document.content(), end);
        QCOMPARE(ids(document), endIds);
        QTEST(document.isModified(), "modified");
    }
};

QTEST_MAIN(TestPlaylistDocument)
#include "tst_playlistdocument.moc"
