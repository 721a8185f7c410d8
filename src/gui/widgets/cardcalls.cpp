#include "widgets/cardcalls.h"

#include "widgets/noticetext.h"

#include <QDialog>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace Vexolo::Ui {

namespace {

// The wait shows only for calls longer than this: a quick one makes nothing flicker.
constexpr int ShowAfterMs = 1000;
constexpr int TickMs = 100;
// A progress bar counts in int: large totals are scaled down to this many steps.
constexpr int WaitSteps = 1000;

} // namespace

// What a call and its work share across threads.
struct CardCalls::Shared
{
    std::atomic<qint64> done = 0;
    std::atomic<qint64> total = 0;
    std::atomic<quint64> reports = 0;
    std::atomic<bool> stop = false;
    std::atomic<bool> writerWaits = false;
};

// The window that says what waits. Not modal: the window behind it stays usable, only card work waits.
class CardWait final : public QDialog
{
public:
    explicit CardWait(QWidget *parent)
        : QDialog(parent)
    {
        setObjectName(QStringLiteral("cardWait"));
        setWindowTitle(QGuiApplication::applicationDisplayName());
        setAccessibleName(QStringLiteral("Card work"));
        label = new QLabel(this);
        label->setObjectName(QStringLiteral("lblWait"));
        label->setWordWrap(true);
        bar = new QProgressBar(this);
        bar->setRange(0, 0);
        cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
        cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
        cmdWait = new QPushButton(QStringLiteral("Wait"), this);
        cmdWait->setObjectName(QStringLiteral("cmdWait"));
        cmdForget = new QPushButton(QStringLiteral("Forget the Card"), this);
        cmdForget->setObjectName(QStringLiteral("cmdForget"));
        auto *buttons = new QHBoxLayout;
        buttons->addStretch();
        for (QPushButton *button : {cmdWait, cmdForget, cmdCancel})
            buttons->addWidget(button);
        auto *layout = new QVBoxLayout(this);
        layout->addWidget(label);
        layout->addWidget(bar);
        layout->addLayout(buttons);
        setMinimumWidth(360);
    }

    QLabel *label = nullptr;
    QProgressBar *bar = nullptr;
    QPushButton *cmdCancel = nullptr;
    QPushButton *cmdWait = nullptr;
    QPushButton *cmdForget = nullptr;

protected:
    // Escape and the title bar's close button cancel, as the Cancel button does.
    void reject() override
    {
        if (cmdCancel->isVisible())
            cmdCancel->click();
    }
};

CardCalls::CardCalls(QWidget &window)
    : QObject(&window)
    , m_window(window)
{
    m_timer.setInterval(TickMs);
    connect(&m_timer, &QTimer::timeout, this, &CardCalls::tick);
}

CardCalls::~CardCalls()
{
    if (m_id != 0)
        CardSession::instance().abandon(m_id);
    delete m_wait;
}

CallControl CardCalls::begin(const Call &call)
{
    m_call = call;
    m_shared = std::make_shared<Shared>();
    m_started.start();
    m_quiet.start();
    m_lastDone = 0;
    m_timer.start();
    const std::shared_ptr<Shared> shared = m_shared;
    return {[shared](qint64 done, qint64 total) {
                shared->total = total;
                shared->done = done;
                ++shared->reports;
            },
            [shared] { return !shared->stop.load(); },
            [shared] {
                // Another program's write is an answer of the card: the wait says so, not that it does not answer.
                shared->writerWaits = true;
                ++shared->reports;
            }};
}

void CardCalls::end()
{
    m_id = 0;
    m_timer.stop();
    if (m_wait) {
        m_wait->hide();
        m_wait->deleteLater();
    }
}

void CardCalls::next()
{
    if (!busy() && !m_waiting.isEmpty())
        m_waiting.takeFirst()();
}

void CardCalls::cancel()
{
    if (m_id == 0)
        return;
    m_shared->stop = true;
    CardSession::instance().abandon(m_id);
    end();
    Q_EMIT finished();
    next();
}

void CardCalls::cancelAll()
{
    m_waiting.clear();
    cancel();
}

QWidget *CardCalls::waitWindow() const
{
    return m_wait && m_wait->isVisible() ? m_wait.data() : nullptr;
}

void CardCalls::tick()
{
    const auto reports = qint64(m_shared->reports.load());
    if (reports != m_lastDone) {
        m_lastDone = reports;
        m_quiet.start();
    }
    const bool noAnswer = m_quiet.hasExpired(cardAnswerLimit().count());
    if (m_started.hasExpired(ShowAfterMs) || noAnswer)
        showWait(noAnswer);
}

void CardCalls::showWait(bool noAnswer)
{
    if (!m_wait) {
        m_wait = new CardWait(&m_window);
        m_wait->setWindowFlag(Qt::Dialog);
        connect(m_wait->cmdCancel, &QPushButton::clicked, this, &CardCalls::cancel);
        connect(m_wait->cmdWait, &QPushButton::clicked, this, [this] { m_quiet.start(); });
        connect(m_wait->cmdForget, &QPushButton::clicked, this, [this] {
            const QString card = m_call.card;
            cancelAll();
            CardSession::instance().forgetCard(card);
            Q_EMIT forgetCard(card);
        });
    }
    m_wait->label->setText(noAnswer                           ? CardNoAnswerMessage
                               : m_shared->writerWaits.load() ? CardWriterWaitMessage
                                                              : m_call.what);
    m_wait->cmdCancel->setVisible(!noAnswer && m_call.cancellable);
    m_wait->cmdWait->setVisible(noAnswer);
    m_wait->cmdForget->setVisible(noAnswer);
    const qint64 total = m_shared->total.load();
    if (total > 0) {
        m_wait->bar->setRange(0, WaitSteps);
        m_wait->bar->setValue(int(std::clamp(m_shared->done.load(), qint64(0), total) * WaitSteps / total));
    }
    if (!m_wait->isVisible())
        m_wait->show();
}

} // namespace Vexolo::Ui
