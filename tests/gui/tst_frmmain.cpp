#include "frmmain.h"
#include "platform/qtplatform.h"
#include "support/scriptedplatform.h"
#include "support/testcard.h"

#include <QtTest>
#include <QtWidgets>

class TestFrmMain : public QObject
{
    Q_OBJECT

    ScriptedPlatform m_platform;
    std::unique_ptr<TestCard> m_card;
    std::unique_ptr<frmMain> m_window;

private Q_SLOTS:
    void init()
    {
        m_card = std::make_unique<TestCard>();
        m_card->addFiles({"b.mp3", "A.mp3", "c.txt"});
        m_platform.volumeList = {"/", m_card->root()};
        m_window = std::make_unique<frmMain>(m_platform);
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    }

    void controls()
    {
        // Name, caption, geometry and pixel size (0: the system font), in creation order, which is the tab order.
        // clang-format off
        const QList<std::tuple<QString, QString, QRect, int>> controls {
            {"drvCard", "", {20, 161, 159, 19}, 0}, {"cmdRefresh", "Refresh", {191, 161, 85, 23}, 12}, {"lstCard", "", {20, 196, 256, 273}, 0},
            {"lstList", "", {388, 161, 255, 308}, 0}, {"cmdDown", "-", {482, 14, 47, 22}, 0}, {"cmdUp", "+", {482, 78, 47, 22}, 0},
            {"txtList", "1", {482, 40, 46, 34}, 20}, {"cmdAdd", ">", {288, 257, 88, 53}, 18}, {"cmdAddAll", ">>>", {288, 328, 88, 53}, 18},
            {"lstListAdv", "", {288, 161, 88, 76}, 0}, {"cmdCardAdvanced", "Advanced", {20, 481, 256, 22}, 12}, {"cmdListAdvanced", "Advanced", {388, 481, 255, 22}, 12},
            {"cmdClear", "Clear List", {655, 468, 88, 35}, 12}, {"cmdRemove", "Remove", {655, 410, 88, 35}, 12}, {"cmdMoveDown", "Move Down", {655, 363, 88, 35}, 12},
            {"cmdMoveUp", "Move Up", {655, 316, 88, 35}, 12}, {"cmdSave", "Save", {655, 212, 88, 40}, 12}, {"cmdDelete", "Delete", {655, 264, 88, 40}, 12},
            {"cmdLoad", "Load", {655, 161, 88, 40}, 12}, {"lblCompany", "Quillmere Inc.", {561, 6, 184, 30}, 20}, {"lblCard", "SD Card", {20, 130, 256, 21}, 18},
            {"lblPlaylist", "Playlist", {388, 130, 255, 19}, 18}, {"txtName", "", {571, 43, 153, 31}, 20}, {"cmdPrint", "Print Playlist", {594, 86, 107, 22}, 12},
            {"cmdPrintRoot", "Print Card", {288, 417, 88, 39}, 12}, {"imgLogo", "", {20, 14, 416, 86}, 0}};
        // clang-format on
        const QList<QWidget *> children = m_window->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly);
        for (qsizetype row = 0; row < controls.size(); ++row) {
            const auto &[name, caption, geometry, pixelSize] = controls[row];
            const QWidget *control = m_window->findChild<QWidget *>(name);
            QVERIFY2(control && children.indexOf(control) == row, qPrintable(name));
            QCOMPARE(control->geometry(), geometry);
            QCOMPARE(control->property("text").toString(), caption);
            QVERIFY(!pixelSize || control->font().pixelSize() == pixelSize);
        }
    }

    void initialState()
    {
        // A fixed-size window without a maximize button; read-only number, hidden strings, drops within the list.
        QCOMPARE(m_window->windowTitle(), QStringLiteral("Vexolo Playlist Setup"));
        QVERIFY(m_window->size() == QSize(763, 523) && m_window->minimumSize() == m_window->maximumSize()
                && !(m_window->windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY(m_window->drvCard->count() == 2 && m_window->drvCard->currentText().isEmpty());
        QVERIFY(!m_window->lstListAdv->isVisible() && m_window->lstCard->count() + m_window->lstList->count() == 0);
        QCOMPARE(m_window->lstList->dragDropMode(), QAbstractItemView::InternalMove);
        QCOMPARE(m_window->imgLogo->pixmap().size(), QSize(416, 86));
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(m_window->cmdRefresh));
        QTest::keyClicks(m_window->txtList, "5");
        QCOMPARE(m_window->txtList->text(), QStringLiteral("1"));
        // A plain window has no default-button machinery of its own: Return must reach "Print Card".
        QSignalSpy printed(m_window->cmdPrintRoot, &QPushButton::clicked);
        QTest::keyClick(m_window->txtName, Qt::Key_Return);
        QCOMPARE(printed.count(), 1);
    }

    void desktopQuestions()
    {
        // Return takes the default answer: No for a question that asks for it. No title, the program's icon.
        QtPlatform desktop;
        QTimer::singleShot(0, [] {
            QWidget *box = QApplication::activeModalWidget();
            QVERIFY(box && box->windowTitle() == " " && !box->windowIcon().isNull());
            QTest::keyClick(box, Qt::Key_Return);
        });
        QCOMPARE(desktop.MsgBox("?", PlatformAdapter::QuestionYesNo | PlatformAdapter::DefaultSecond),
                 PlatformAdapter::AnswerNo);
    }

    void choosingOrTypingACardListsItsTracks()
    {
        m_window->drvCard->setCurrentIndex(1);
        QCOMPARE(m_window->lstCard->count(), 2);
        m_window->lstList->addItem("kept.mp3");
        m_window->lstListAdv->addItem("kept.mp3 V7");
        // Every prefix re-lists; only the full path names the card. No inline completion to "/".
        QLineEdit *edit = m_window->drvCard->lineEdit();
        edit->clear();
        QTest::keyClicks(edit, m_card->root().chopped(1));
        QCOMPARE(m_window->drvCard->currentText(), m_card->root().chopped(1));
        QCOMPARE(QList({m_window->lstCard->count(), m_window->lstList->count()}), QList({0, 1})); // nothing loads
        QTest::keyClicks(edit, m_card->root().right(1));
        QTest::keyClick(edit, Qt::Key_Return);
        QCOMPARE(QList({m_window->lstCard->count(), m_window->drvCard->count()}), QList({2, 2})); // no new volume
        // Refresh refills the volumes only: the list stays, nothing is chosen and nothing loads.
        m_card->write("Programs/Program1.txt", "A.mp3 V7\r\nend");
        m_window->cmdClear->click();
        m_platform.volumeList = {"/", "/media/other", m_card->root()};
        m_window->cmdRefresh->click();
        QCOMPARE(QList({m_window->drvCard->count(), m_window->drvCard->currentIndex()}), QList({3, -1}));
        QCOMPARE(m_window->lstCard->count() + m_window->lstList->count(), 2);
        // Choosing the volume row already shown re-lists it, once for each choice, and loads (asking first).
        const auto choose = [this](int row) {
            m_window->drvCard->showPopup();
            QAbstractItemView *popup = m_window->drvCard->view();
            popup->setCurrentIndex(popup->model()->index(row, 0));
            QTest::keyClick(popup, Qt::Key_Return);
        };
        m_card->addFiles({"New.mp3"});
        m_window->txtName->setText("changed");
        m_platform.answers << PlatformAdapter::AnswerNo << PlatformAdapter::AnswerNo << PlatformAdapter::AnswerYes;
        choose(2);
        QCOMPARE(QList({m_window->lstCard->count(), int(m_platform.answers.size())}), QList({3, 2}));
        m_card->addFiles({"Newer.mp3"});
        choose(1); // no card there: nothing listed, nothing asked
        QCOMPARE(m_window->lstCard->count(), 0);
        choose(2); // the text changes: listed and asked once
        QCOMPARE(QList({m_window->lstCard->count(), int(m_platform.shown.size())}), QList({4, 2}));
        choose(2);
        QCOMPARE(m_window->lstList->count(), 1);
        QCOMPARE(m_platform.shown, QStringList(3, "Playlist 1 has changes that are not saved. Discard them?"));
    }

    void volumeListFollowsMounts()
    {
        // The desktop adapter on the real mount table; nothing here asks the user anything.
        QtPlatform desktop;
        frmMain window(desktop);
        window.show();
        window.drvCard->setEditText("typed");
        auto card = std::make_unique<TestCard>();
        if (!card->mountTmpfs("card"))
            QSKIP("mounting is not permitted here");
        const QString root = card->root();
        QTRY_VERIFY(window.drvCard->findText(root) >= 0);
        QVERIFY(window.drvCard->view()->minimumWidth() > window.drvCard->fontMetrics().horizontalAdvance(root));
        card.reset(); // unmounted
        QTRY_VERIFY(window.drvCard->findText(root) < 0);
        QCOMPARE(window.drvCard->currentText(), QStringLiteral("typed"));
    }

    void busyFeedback()
    {
        auto busy = std::make_unique<Vexolo::Ui::BusyFeedback>(m_window.get(), 0);
        QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
        busy->progress(3'000'000'000, 6'000'000'000);
        QVERIFY(busy->dialog()->isVisible() && busy->dialog()->value() == 500);
        QMessageBox question(QMessageBox::Question, "", "", QMessageBox::Yes, m_window.get());
        question.setModal(true);
        question.show();
        QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::ArrowCursor);
        question.hide();
        QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
        busy.reset();
        QVERIFY(!QGuiApplication::overrideCursor());
    }
};

QTEST_MAIN(TestFrmMain)
#include "tst_frmmain.moc"
