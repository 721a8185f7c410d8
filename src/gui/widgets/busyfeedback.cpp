#include "busyfeedback.h"

#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QProgressDialog>

#include <algorithm>

namespace Vexolo::Ui {

namespace {

// A progress bar counts in int: large totals are scaled down to this many steps.
constexpr int Steps = 1000;
// How often the progress dialog is repainted while the work goes on.
constexpr int PaintEveryMs = 50;

bool isUserInput(QEvent::Type type)
{
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::Shortcut:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
        return true;
    default:
        return false;
    }
}

// The window an event is meant for: a widget's own, or the one an action or shortcut belongs to.
QWidget *windowOf(QObject *object)
{
    for (; object; object = object->parent()) {
        if (auto *widget = qobject_cast<QWidget *>(object))
            return widget->window();
    }
    return {};
}

// Lives while card work goes on. Input for the program's own windows is dropped; a question or
// a warning shown meanwhile is modal and gets its input, and over it the ordinary arrow shows.
class CardWork final : public QObject
{
public:
    CardWork()
    {
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        QCoreApplication::instance()->installEventFilter(this);
    }
    ~CardWork() override
    {
        QCoreApplication::instance()->removeEventFilter(this);
        for (qsizetype i = 0; i < m_modal.size(); ++i)
            QGuiApplication::restoreOverrideCursor();
        QGuiApplication::restoreOverrideCursor();
        // After the handler that did the work has returned.
        for (const QPointer<QWidget> &window : std::as_const(m_closeRequested)) {
            if (window && window->isVisible())
                QMetaObject::invokeMethod(window, &QWidget::close, Qt::QueuedConnection);
        }
    }
    Q_DISABLE_COPY_MOVE(CardWork)

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        const QEvent::Type type = event->type();
        if (type == QEvent::Show || type == QEvent::Hide) {
            noteModal(watched, type == QEvent::Show);
            return false;
        }
        if (type != QEvent::Close && type != QEvent::ShortcutOverride && !isUserInput(type))
            return false;
        QWidget *window = windowOf(watched);
        if (!window || window->isModal())
            return false;
        if (type == QEvent::Close) {
            if (watched == window && !m_closeRequested.contains(window))
                m_closeRequested.append(window);
            event->ignore();
            return true;
        }
        // Taken here, so the key goes to the widget as a plain key press, which is dropped too.
        if (type == QEvent::ShortcutOverride)
            event->accept();
        return true;
    }

private:
    void noteModal(QObject *watched, bool shown)
    {
        auto *widget = qobject_cast<QWidget *>(watched);
        if (!widget || !widget->isWindow() || !widget->isModal())
            return;
        if (shown && !m_modal.contains(widget)) {
            m_modal.append(widget);
            QGuiApplication::setOverrideCursor(Qt::ArrowCursor);
        } else if (!shown && m_modal.removeOne(widget)) {
            QGuiApplication::restoreOverrideCursor();
        }
    }

    QList<const QWidget *> m_modal;
    QList<QPointer<QWidget>> m_closeRequested;
};

int g_depth = 0;
CardWork *g_work = nullptr;

} // namespace

BusyFeedback::BusyFeedback(QWidget *window, int showAfterMs)
    : m_window(window)
    , m_showAfterMs(showAfterMs)
{
    if (g_depth++ == 0)
        g_work = new CardWork;
    m_elapsed.start();
}

BusyFeedback::~BusyFeedback()
{
    m_dialog.reset();
    if (--g_depth == 0)
        delete std::exchange(g_work, nullptr);
}

bool BusyFeedback::active()
{
    return g_depth > 0;
}

void BusyFeedback::allowCancel(const QString &label)
{
    m_cancelLabel = label;
}

bool BusyFeedback::cancelled() const
{
    return m_dialog && m_dialog->wasCanceled();
}

void BusyFeedback::progress(qint64 done, qint64 total)
{
    const bool cancellable = !m_cancelLabel.isEmpty();
    if (!m_dialog) {
        if (m_elapsed.elapsed() < m_showAfterMs)
            return;
        // Watched, not answered: no buttons, and it goes when the work is done. Not modal: a
        // modal one would run the event loop itself, and would make the window drop a close.
        // One that can be cancelled is modal, so its button alone takes input.
        m_dialog = std::make_unique<QProgressDialog>(m_window);
        m_dialog->setWindowTitle(QGuiApplication::applicationDisplayName());
        m_dialog->setLabelText(cancellable ? m_cancelLabel : QStringLiteral("Working on the card…"));
        if (!cancellable)
            m_dialog->setCancelButton(nullptr);
        m_dialog->setWindowModality(cancellable ? Qt::WindowModal : Qt::NonModal);
        m_dialog->setMinimumDuration(0);
        m_dialog->setAutoClose(false);
        m_dialog->setAutoReset(false);
        m_dialog->setMaximum(Steps);
        m_dialog->setAccessibleName(QStringLiteral("Card work progress"));
        m_dialog->show();
    }
    const qint64 step = total > 0 ? std::clamp(done, qint64(0), total) * Steps / total : 0;
    m_dialog->setValue(int(step));
    if (m_painted.isValid() && !m_painted.hasExpired(PaintEveryMs))
        return;
    m_painted.start();
    // Paints and takes the desktop's requests (a close is held for later); no mount changes, and no input but the
    // Cancel button's.
    QCoreApplication::processEvents(cancellable
                                        ? QEventLoop::ExcludeSocketNotifiers
                                        : QEventLoop::ExcludeUserInputEvents | QEventLoop::ExcludeSocketNotifiers);
}

} // namespace Vexolo::Ui
