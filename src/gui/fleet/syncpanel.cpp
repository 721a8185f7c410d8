#include "fleet/syncpanel.h"

#include "platform/platformadapter.h"
#include "storage/cardsession.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QVBoxLayout>

#include <csignal>
#include <unistd.h>
#include <utility>

namespace Vexolo::Ui {

namespace {

const QString RemoteKey = QStringLiteral("fleet/syncRemote");
const QString SyncedKey = QStringLiteral("fleet/syncedRemotes"); // the remotes a sync succeeded with
// Above the sync's own limits (fetching and pushing, half an hour each), so those speak first.
constexpr std::chrono::minutes SyncLimit {62};
// What the sync may say; its summary is a few lines.
constexpr qint64 OutputLimit = 64 * 1024;

} // namespace

SyncPanel::SyncPanel(PlatformAdapter &platform, QWidget *parent, const QString &program)
    : QWidget(parent)
    , m_platform(platform)
    , m_program(program.isEmpty() ? QCoreApplication::applicationFilePath() : program)
{
    txtRemote = new QLineEdit(QSettings().value(RemoteKey).toString(), this);
    txtRemote->setObjectName(QStringLiteral("txtRemote"));
    txtRemote->setPlaceholderText(tr("a shared folder or a git URL; empty: the one used before"));
    cmdSync = new QPushButton(tr("&Sync"), this);
    cmdSync->setObjectName(QStringLiteral("cmdSync"));
    cmdCancelSync = new QPushButton(tr("Cancel"), this);
    cmdCancelSync->setObjectName(QStringLiteral("cmdCancelSync"));
    cmdCancelSync->setVisible(false);
    lblSync = new QLabel(this);
    lblSync->setObjectName(QStringLiteral("lblSync"));
    lblSync->setWordWrap(true);
    lblSync->setTextFormat(Qt::PlainText);
    lblSync->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto *row = new QHBoxLayout;
    auto *label = new QLabel(tr("Sync &with:"), this);
    label->setBuddy(txtRemote);
    row->addWidget(label);
    row->addWidget(txtRemote, 1);
    row->addWidget(cmdSync);
    row->addWidget(cmdCancelSync);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(row);
    layout->addWidget(lblSync);

    m_limit.setSingleShot(true);
    m_limit.setInterval(SyncLimit);
    // Its own process group, so that ending it ends the transfer it forked too.
    m_process.setChildProcessModifier([] { ::setpgid(0, 0); });
    connect(cmdSync, &QPushButton::clicked, this, &SyncPanel::start);
    connect(txtRemote, &QLineEdit::returnPressed, this, &SyncPanel::start);
    connect(cmdCancelSync, &QPushButton::clicked, this, [this] { stop(tr("Sync cancelled; nothing half-written.")); });
    connect(&m_limit, &QTimer::timeout, this, [this] { stop(tr("The sync took too long and was ended.")); });
    connect(&m_process, &QProcess::finished, this, &SyncPanel::ended);
    connect(&m_process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            ended(-1, QProcess::CrashExit);
    });
}

SyncPanel::~SyncPanel()
{
    // The transfer it forked ends with it; QProcess then reaps the killed child.
    if (m_process.state() != QProcess::NotRunning) {
        disconnect(&m_process, nullptr, this, nullptr);
        ::kill(-pid_t(m_process.processId()), SIGKILL);
    }
}

void SyncPanel::start()
{
    if (m_process.state() != QProcess::NotRunning)
        return;
    const QString remote = txtRemote->text().trimmed();
    if (!remote.isEmpty() && !QSettings().value(SyncedKey).toStringList().contains(remote)
        && m_platform.MsgBox(tr("Sync with %1 for the first time? Where nothing is there yet, a new shared fleet is "
                                "made there.")
                                 .arg(remote),
                             PlatformAdapter::QuestionYesNo | PlatformAdapter::DefaultSecond)
            != PlatformAdapter::AnswerYes)
        return;
    QSettings().setValue(RemoteKey, remote);
    QStringList arguments {QStringLiteral("sync")};
    if (!remote.isEmpty())
        arguments.append(remote);
    lblSync->setText(tr("Syncing…"));
    running(true);
    m_process.start(m_program, arguments);
    m_limit.start();
}

void SyncPanel::stop(const QString &why)
{
    if (m_process.state() == QProcess::NotRunning || !m_stopped.isEmpty())
        return;
    m_stopped = why;
    ::kill(-pid_t(m_process.processId()), SIGKILL);
    lblSync->setText(tr("Ending the sync…"));
    cmdCancelSync->setEnabled(false);
}

void SyncPanel::ended(int code, QProcess::ExitStatus status)
{
    running(false);
    if (const QString stopped = std::exchange(m_stopped, QString()); !stopped.isEmpty()) {
        lblSync->setText(stopped);
        return;
    }
    const QString said = QString::fromUtf8(m_process.read(OutputLimit)).trimmed();
    m_process.setReadChannel(QProcess::StandardError);
    const QString failed = QString::fromUtf8(m_process.read(OutputLimit)).trimmed();
    m_process.setReadChannel(QProcess::StandardOutput);
    if (status == QProcess::NormalExit && code == 0) {
        lblSync->setText(said);
        QStringList remotes = QSettings().value(SyncedKey).toStringList();
        if (const QString remote = m_process.arguments().value(1); !remote.isEmpty() && !remotes.contains(remote))
            QSettings().setValue(SyncedKey, remotes << remote);
        CardSession::instance().tell({}, CardChange::playersChanged());
        Q_EMIT synced();
        return;
    }
    lblSync->setText(failed.isEmpty() ? tr("The sync could not be run: %1").arg(m_process.errorString()) : failed);
}

void SyncPanel::running(bool on)
{
    cmdSync->setEnabled(!on);
    txtRemote->setEnabled(!on);
    cmdCancelSync->setVisible(on);
    cmdCancelSync->setEnabled(on);
    if (!on)
        m_limit.stop();
}

} // namespace Vexolo::Ui
