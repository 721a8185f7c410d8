#include "widgets/windowplaces.h"

#include <QtTest>
#include <QtWidgets>

using namespace Vexolo::Ui;

// Where the timeline goes beside the advanced window on a laptop's screen, and where windows open again.
class TestWindowPlaces : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void beside_data()
    {
        QTest::addColumn<QRect>("room"); // a screen's free room, at 1x or at 2x scale
        QTest::addColumn<QString>("side"); // where the timeline goes from a centred, a top-left, a top-right window
        QTest::newRow("1280x720") << QRect(0, 0, 1280, 688) << "moved right left";
        QTest::newRow("1366x768") << QRect(0, 27, 1366, 741) << "moved right left";
        QTest::newRow("1600x1000") << QRect(0, 0, 1600, 1000) << "moved right left";
        QTest::newRow("1920x1080") << QRect(0, 0, 1920, 1050) << "right right left";
        QTest::newRow("2560x1440 at 2x, a second screen") << QRect(1920, 0, 1280, 720) << "moved right left";
        QTest::newRow("a tall screen") << QRect(0, 0, 1600, 1900) << "below right left";
        QTest::newRow("smaller than both: kept to the screen") << QRect(0, 0, 800, 600) << "over over over";
    }

    // Wherever the advanced window stands, the timeline is on the screen, at least its minimum, and never over
    // the advanced window, which stays on the screen too.
    void beside()
    {
        QFETCH(QRect, room);
        const QSize adv(872, 700); // the advanced window with its frame
        const QSize minimum(400, 380); // the timeline window holds no less (checked on the window itself)
        QStringList sides;
        for (const QPoint &at : {room.center() - QPoint(436, 350), room.topLeft(), room.topRight() - QPoint(871, 0)}) {
            QRect anchor(at, adv);
            anchor.moveTop(std::max(anchor.top(), room.top()));
            const QRect before = anchor;
            const QRect place = placeBeside(room, anchor, {700, 560}, minimum);
            QVERIFY(room.contains(place));
            QCOMPARE(anchor.size(), adv);
            if (place.intersects(anchor)) {
                sides << "over";
                continue;
            }
            QVERIFY(place.width() >= minimum.width() && place.height() >= minimum.height()
                    && room.contains(anchor.topLeft()));
            const bool beside = place.left() > anchor.right() || place.right() < anchor.left();
            if (beside) { // against it, 8 pixels apart, and level with it as far as the screen lets it be
                QCOMPARE(place.left() > anchor.right() ? place.left() - anchor.right() : anchor.left() - place.right(),
                         9);
                QCOMPARE(place.top(), std::clamp(anchor.top(), room.top(), room.bottom() + 1 - place.height()));
            } else { // below it, level with it as far as the screen lets it be
                QCOMPARE(place.left(), std::clamp(anchor.left(), room.left(), room.right() + 1 - place.width()));
            }
            sides << (anchor != before                    ? "moved"
                          : place.left() > anchor.right() ? "right"
                          : place.right() < anchor.left() ? "left"
                                                          : "below");
        }
        QTEST(sides.join(' '), "side");
    }

    void opening_data()
    {
        QTest::addColumn<QRect>("room"); // the free room of the main window's screen, at 1x or 2x scale
        QTest::addColumn<QRect>("kept"); // where the program timeline was last; null: never opened
        QTest::addColumn<QString>("where");
        const QRect laptop(0, 0, 1366, 768);
        QTest::newRow("2732x1536 at 2x, under a panel") << QRect(0, 27, 1366, 741) << QRect() << "moved";
        QTest::newRow("1920x1080") << QRect(0, 0, 1920, 1050) << QRect() << "beside";
        QTest::newRow("1024x600: too small for both") << QRect(0, 0, 1024, 600) << QRect() << "above";
        QTest::newRow("kept, on the screen") << laptop << QRect(700, 300, 600, 400) << "kept";
        QTest::newRow("kept, now off the screen") << laptop << QRect(1000, 300, 600, 400) << "moved";
    }

    // The program timeline by the centred main window: all of it on the screen, at least its minimum, never over
    // the main window's Load and Save, which stay on the screen too; where it was, when that is on a screen.
    void opening()
    {
        QFETCH(QRect, room);
        QFETCH(QRect, kept);
        const QSize main(763, 553); // the main window with its title bar
        const QRect loadAndSave(655, 191, 88, 91); // in the main window's frame
        const QSize minimum(400, 220);
        QRect anchor(QPoint(), main);
        anchor.moveCenter(room.center());
        anchor.moveTop(std::max(anchor.top(), room.top()));
        const QRect before = anchor;
        const QRect place = openingPlace({room, QRect(-1000, 0, 1000, 700)}, kept, room, anchor,
                                         loadAndSave.translated(anchor.topLeft()), {900, 430}, minimum);
        QVERIFY(room.contains(place));
        QVERIFY(room.contains(anchor));
        // Where the user left it is theirs; anywhere else keeps clear of Load and Save.
        QVERIFY(place == kept || !place.intersects(loadAndSave.translated(anchor.topLeft())));
        QVERIFY(place.width() >= minimum.width() && place.height() >= minimum.height());
        const QString where = place == kept ? "kept"
            : place.intersects(anchor)      ? "above"
            : anchor != before              ? "moved"
                                            : "beside";
        QTEST(where, "where");
        if (where == "moved")
            QCOMPARE(anchor.left(), room.left());
    }

    // A window opens where it was when all of it is still on a screen, else it is centred.
    void reopened()
    {
        QStandardPaths::setTestModeEnabled(true);
        QSettings().remove("windows");
        QWidget window;
        window.resize(300, 200);
        QVERIFY(!restorePlace(window, "w"));
        const QRect room = QGuiApplication::primaryScreen()->availableGeometry();
        centre(window);
        QCOMPARE(window.frameGeometry().center(), room.center());
        for (const auto &[at, kept] : {std::pair {QPoint(10, 20), true},
                                       {room.bottomRight() - QPoint(100, 100), false},
                                       {QPoint(-5000, 0), false}}) {
            window.move(at);
            rememberPlace(window, "w");
            window.move(0, 0);
            QCOMPARE(restorePlace(window, "w"), kept);
            QCOMPARE(window.pos(), kept ? at : QPoint(0, 0));
        }
    }
};

QTEST_MAIN(TestWindowPlaces)
#include "tst_windowplaces.moc"
