#include "app/frmmain.h"
#include "support/scriptedplatform.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

class TestFrmMain : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void controls_data();
    void controls();
    void creationAndTabOrder();
    void initialState();
    void returnActivatesPrintCard();
    void implicitInstance();

private:
    ScriptedPlatform *m_platform = nullptr;
    frmMain *m_window = nullptr;
};

void TestFrmMain::init()
{
    m_platform = new ScriptedPlatform;
    m_platform->volumeList = {"/", "/media/card"};
    m_window = new frmMain(*m_platform);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
}

void TestFrmMain::cleanup()
{
    delete m_window;
    delete m_platform;
}

void TestFrmMain::controls_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<QString>("family");
    QTest::addColumn<int>("pixelSize");
    QTest::addColumn<bool>("bold");

    const QString system;
    QTest::newRow("drvCard") << "QComboBox" << "" << QRect(20, 161, 159, 19) << system << 0 << false;
    QTest::newRow("cmdRefresh") << "QPushButton" << "Refresh" << QRect(191, 161, 85, 23) << "Arial" << 12 << false;
    QTest::newRow("lstCard") << "QListWidget" << "" << QRect(20, 196, 256, 273) << system << 0 << false;
    QTest::newRow("lstList") << "QListWidget" << "" << QRect(388, 161, 255, 308) << system << 0 << false;
    QTest::newRow("cmdDown") << "QPushButton" << "-" << QRect(482, 14, 47, 22) << system << 0 << false;
    QTest::newRow("cmdUp") << "QPushButton" << "+" << QRect(482, 78, 47, 22) << system << 0 << false;
    QTest::newRow("txtList") << "QLineEdit" << "1" << QRect(482, 40, 46, 34) << "Arial" << 20 << true;
    QTest::newRow("cmdAdd") << "QPushButton" << ">" << QRect(288, 257, 88, 53) << "Arial" << 18 << false;
    QTest::newRow("cmdAddAll") << "QPushButton" << ">>>" << QRect(288, 328, 88, 53) << "Arial" << 18 << false;
    QTest::newRow("lstListAdv") << "QListWidget" << "" << QRect(288, 161, 88, 76) << system << 0 << false;
    QTest::newRow("cmdCardAdvanced") << "QPushButton" << "Advanced" << QRect(20, 481, 256, 22) << "Arial" << 12
                                     << false;
    QTest::newRow("cmdListAdvanced") << "QPushButton" << "Advanced" << QRect(388, 481, 255, 22) << "Arial" << 12
                                     << false;
    QTest::newRow("cmdClear") << "QPushButton" << "Clear List" << QRect(655, 468, 88, 35) << "Arial" << 12 << false;
    QTest::newRow("cmdRemove") << "QPushButton" << "Remove" << QRect(655, 410, 88, 35) << "Arial" << 12 << false;
    QTest::newRow("cmdMoveDown") << "QPushButton" << "Move Down" << QRect(655, 363, 88, 35) << "Arial" << 12 << false;
    QTest::newRow("cmdMoveUp") << "QPushButton" << "Move Up" << QRect(655, 316, 88, 35) << "Arial" << 12 << false;
    QTest::newRow("cmdSave") << "QPushButton" << "Save" << QRect(655, 212, 88, 40) << "Arial" << 12 << false;
    QTest::newRow("cmdDelete") << "QPushButton" << "Delete" << QRect(655, 264, 88, 40) << "Arial" << 12 << false;
    QTest::newRow("cmdLoad") << "QPushButton" << "Load" << QRect(655, 161, 88, 40) << "Arial" << 12 << false;
    QTest::newRow("lblCompany") << "QLabel" << "Quillmere Inc." << QRect(561, 6, 184, 30) << "Arial Narrow" << 20
                                << true;
    QTest::newRow("lblCard") << "QLabel" << "SD Card" << QRect(20, 130, 256, 21) << "Arial" << 18 << true;
    QTest::newRow("lblPlaylist") << "QLabel" << "Playlist" << QRect(388, 130, 255, 19) << "Arial" << 18 << true;
    QTest::newRow("txtName") << "QLineEdit" << "" << QRect(571, 43, 153, 31) << "Arial" << 20 << true;
    QTest::newRow("cmdPrint") << "QPushButton" << "Print Playlist" << QRect(594, 86, 107, 22) << "Arial" << 12
                              << false;
    QTest::newRow("cmdPrintRoot") << "QPushButton" << "Print Card" << QRect(288, 417, 88, 39) << "Arial" << 12
                                  << false;
    QTest::newRow("imgLogo") << "QLabel" << "" << QRect(20, 14, 416, 86) << system << 0 << false;
}

void TestFrmMain::controls()
{
    QFETCH(QString, kind);
    QFETCH(QString, caption);
    QFETCH(QRect, geometry);
    QFETCH(QString, family);
    QFETCH(int, pixelSize);
    QFETCH(bool, bold);

    const QString name = QString::fromLatin1(QTest::currentDataTag());
    auto *control = m_window->findChild<QWidget *>(name, Qt::FindDirectChildrenOnly);
    QVERIFY2(control, qPrintable(name));
    QCOMPARE(QString::fromLatin1(control->metaObject()->className()), kind);
    QCOMPARE(control->geometry(), geometry);
    QString text;
    if (auto *pushButton = qobject_cast<QPushButton *>(control))
        text = pushButton->text();
    else if (auto *label = qobject_cast<QLabel *>(control))
        text = label->text();
    else if (auto *lineEdit = qobject_cast<QLineEdit *>(control))
        text = lineEdit->text();
    QCOMPARE(text, caption);
    // A text field's initial text is its value, not a caption: it is named after the control.
    QCOMPARE(control->accessibleName(), caption.isEmpty() || kind == QLatin1String("QLineEdit") ? name : caption);
    if (!family.isEmpty()) {
        QCOMPARE(control->font().family(), family);
        QCOMPARE(control->font().pixelSize(), pixelSize);
        QCOMPARE(control->font().bold(), bold);
    }
}

void TestFrmMain::creationAndTabOrder()
{
    const QStringList order{"drvCard",     "cmdRefresh",  "lstCard",    "lstList",   "cmdDown",    "cmdUp",
                            "txtList",     "cmdAdd",      "cmdAddAll",  "lstListAdv", "cmdCardAdvanced",
                            "cmdListAdvanced", "cmdClear", "cmdRemove", "cmdMoveDown", "cmdMoveUp", "cmdSave",
                            "cmdDelete",   "cmdLoad",     "lblCompany", "lblCard",   "lblPlaylist", "txtName",
                            "cmdPrint",    "cmdPrintRoot", "imgLogo"};
    QStringList created;
    for (QObject *child : m_window->children()) {
        if (child->isWidgetType())
            created.append(child->objectName());
    }
    QCOMPARE(created, order);

    // Tab order follows creation order among the controls that take focus.
    QStringList focusable;
    for (const QString &name : order) {
        auto *control = m_window->findChild<QWidget *>(name, Qt::FindDirectChildrenOnly);
        if (control->focusPolicy() & Qt::TabFocus && control->isVisible())
            focusable.append(name);
    }
    QStringList chain;
    QWidget *widget = m_window->drvCard;
    for (int step = 0; step < 200; ++step) {
        QWidget *owner = widget;
        while (owner && owner->parentWidget() != m_window)
            owner = owner->parentWidget();
        if (owner && focusable.contains(owner->objectName()) && !chain.contains(owner->objectName()))
            chain.append(owner->objectName());
        widget = widget->nextInFocusChain();
        if (widget == m_window->drvCard)
            break;
    }
    QCOMPARE(chain, focusable);
}

void TestFrmMain::initialState()
{
    QCOMPARE(m_window->windowTitle(), QStringLiteral("Vexolo Playlist Setup"));
    QCOMPARE(m_window->size(), QSize(763, 523));
    QCOMPARE(m_window->minimumSize(), m_window->maximumSize());
    QVERIFY(!(m_window->windowFlags() & Qt::WindowMaximizeButtonHint));
    QCOMPARE(m_window->palette().color(QPalette::Window), QColor(Qt::black));

    QCOMPARE(m_window->drvCard->count(), 2);
    QCOMPARE(m_window->drvCard->itemText(1), QStringLiteral("/media/card"));
    QCOMPARE(m_window->drvCard->currentIndex(), -1);
    QCOMPARE(m_window->drvCard->currentText(), QString());
    QVERIFY(m_window->drvCard->isEditable());
    QCOMPARE(m_window->lstCard->count(), 0);
    QCOMPARE(m_window->lstList->count(), 0);
    QCOMPARE(m_window->lstListAdv->count(), 0);
    QVERIFY(!m_window->lstListAdv->isVisible());
    QCOMPARE(m_window->lstList->dragDropMode(), QAbstractItemView::InternalMove);
    QCOMPARE(m_window->lstList->selectionMode(), QAbstractItemView::SingleSelection);
    QCOMPARE(m_window->lstCard->selectionMode(), QAbstractItemView::SingleSelection);
    QCOMPARE(m_window->txtList->text(), QStringLiteral("1"));
    QVERIFY(m_window->txtList->isReadOnly());
    QCOMPARE(m_window->txtName->text(), QString());
    QVERIFY(!m_window->txtName->isReadOnly());
    QVERIFY(m_window->cmdPrintRoot->isDefault());
    QCOMPARE(m_window->imgLogo->pixmap().size(), QSize(416, 86));
    QCOMPARE(m_window->lblCard->palette().color(QPalette::WindowText), QColor(0x00, 0x40, 0x80));
    QCOMPARE(m_window->lblCompany->palette().color(QPalette::WindowText), QColor(0xc0, 0xc0, 0xc0));
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(m_window->cmdRefresh));
    QVERIFY(m_platform->shown.isEmpty());

    // The read-only number field takes no typing.
    QTest::keyClicks(m_window->txtList, "5");
    QCOMPARE(m_window->txtList->text(), QStringLiteral("1"));
}

void TestFrmMain::returnActivatesPrintCard()
{
    QSignalSpy printed(m_window->cmdPrintRoot, &QPushButton::clicked);
    m_window->txtName->setFocus();
    QTest::keyClick(m_window->txtName, Qt::Key_Return);
    QCOMPARE(printed.count(), 1);
    m_window->cmdRefresh->setFocus();
    QTest::keyClick(m_window->cmdRefresh, Qt::Key_Return);
    QCOMPARE(printed.count(), 2);
}

void TestFrmMain::implicitInstance()
{
    // The window made in init() is the implicit instance while it lives.
    QCOMPARE(frmMain::instance(), m_window);
}

QTEST_MAIN(TestFrmMain)
#include "tst_frmmain.moc"
