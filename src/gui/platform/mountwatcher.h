#pragma once

#include <QFile>
#include <QObject>

class QSocketNotifier;

// Tells when the mount table changes (a card inserted or pulled) without polling the disk: the
// kernel marks /proc/self/mountinfo with an exceptional (priority) event on every mount and unmount.
class MountWatcher final : public QObject
{
    Q_OBJECT

public:
    explicit MountWatcher(QObject *parent = nullptr);
    ~MountWatcher() override;
    Q_DISABLE_COPY_MOVE(MountWatcher)

    // False where the mount table cannot be watched (no /proc): changed() is then never sent.
    bool isWatching() const { return m_notifier != nullptr; }

Q_SIGNALS:
    void changed();

private:
    QFile m_mountInfo;
    QSocketNotifier *m_notifier = nullptr;
};
