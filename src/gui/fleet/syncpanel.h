#pragma once

#include <QProcess>
#include <QTimer>
#include <QWidget>

class PlatformAdapter;
class QLabel;
class QLineEdit;
class QPushButton;

namespace Vexolo::Ui {

// Sync in the Fleet window: the remote (remembered), Sync and Cancel, and what the sync moved. The sync runs as this
// program's own "sync" command in a child process, so the window's thread never touches the fleet's data or the
// network, and Cancel or the time limit ends it, with the children it forked for the transfer, at once. A remote not
// synced with before is asked about first: a mistyped folder would otherwise become a new, empty shared fleet.
class SyncPanel final : public QWidget
{
    Q_OBJECT

public:
    SyncPanel(PlatformAdapter &platform, QWidget *parent, const QString &program = {});
    ~SyncPanel() override;
    Q_DISABLE_COPY_MOVE(SyncPanel)

    QLineEdit *txtRemote = nullptr;
    QPushButton *cmdSync = nullptr;
    QPushButton *cmdCancelSync = nullptr;
    QLabel *lblSync = nullptr;

Q_SIGNALS:
    // A sync ended well: what the views show of the fleet may have changed.
    void synced();

private:
    void start();
    void stop(const QString &why);
    void ended(int code, QProcess::ExitStatus status);
    void running(bool on);

    PlatformAdapter &m_platform;
    QString m_program;
    QProcess m_process;
    QTimer m_limit;
    QString m_stopped; // why the sync under way was ended
};

} // namespace Vexolo::Ui
