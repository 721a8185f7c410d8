#include "busyfeedback.h"

#include <QEvent>
#include <QGuiApplication>
#include <QProgressDialog>

#include <algorithm>

namespace Vexolo::Ui {

namespace {

// A progress bar counts in int: large totals are scaled down to this many steps.
constexpr int Steps = 1000;

// A question or a warning shown in the middle of the work waits for the user: over it the
// ordinary arrow shows, not the wait cursor.
class ArrowOverModalWindows final : public QObject
{
public:
    explicit ArrowOverModalWindows(const QWidget *ignored)
        : m_ignored(ignored)
    {
        QCoreApplication::instance()->installEventFilter(this);
    }
    ~ArrowOverModalWindows() override
    {
        for (qsizetype i = 0; i < m_shown.size(); ++i)
            QGuiApplication::restoreOverrideCursor();
    }
    Q_DISABLE_COPY_MOVE(ArrowOverModalWindows)

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        auto *widget = qobject_cast<QWidget *>(watched);
        if (!widget || !widget->isWindow() || widget == m_ignored)
            return false;
        if (event->type() == QEvent::Show && widget->isModal() && !m_shown.contains(widget)) {
            m_shown.append(widget);
            QGuiApplication::setOverrideCursor(Qt::ArrowCursor);
        } else if (event->type() == QEvent::Hide && m_shown.removeOne(widget)) {
            QGuiApplication::restoreOverrideCursor();
        }
        return false;
    }

    void ignore(const QWidget *widget) { m_ignored = widget; }

private:
    const QWidget *m_ignored;
    QList<const QWidget *> m_shown;
};

} // namespace

BusyFeedback::BusyFeedback(QWidget *window, int showAfterMs)
    : m_window(window)
    , m_showAfterMs(showAfterMs)
{
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    m_modalWatch = std::make_unique<ArrowOverModalWindows>(nullptr);
    m_elapsed.start();
}

BusyFeedback::~BusyFeedback()
{
    m_dialog.reset();
    m_modalWatch.reset();
    QGuiApplication::restoreOverrideCursor();
}

void BusyFeedback::progress(qint64 done, qint64 total)
{
    if (!m_dialog) {
        if (m_elapsed.elapsed() < m_showAfterMs)
            return;
        // Watched, not answered: no buttons, and it goes when the work is done.
        m_dialog = std::make_unique<QProgressDialog>(m_window);
        static_cast<ArrowOverModalWindows *>(m_modalWatch.get())->ignore(m_dialog.get());
        m_dialog->setWindowTitle(QGuiApplication::applicationDisplayName());
        m_dialog->setLabelText(QStringLiteral("Working on the card…"));
        m_dialog->setCancelButton(nullptr);
        m_dialog->setWindowModality(Qt::WindowModal);
        m_dialog->setMinimumDuration(0);
        m_dialog->setAutoClose(false);
        m_dialog->setAutoReset(false);
        m_dialog->setRange(0, Steps);
        m_dialog->setAccessibleName(QStringLiteral("Card work progress"));
    }
    const qint64 step = total > 0 ? std::clamp(done, qint64(0), total) * Steps / total : 0;
    // A modal progress dialog processes events in setValue, so it repaints while the work goes on.
    m_dialog->setValue(int(step));
}

} // namespace Vexolo::Ui
