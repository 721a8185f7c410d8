#include "platform/mountwatcher.h"

#include <QSocketNotifier>

MountWatcher::MountWatcher(QObject *parent)
    : QObject(parent)
    , m_mountInfo(QStringLiteral("/proc/self/mountinfo"))
{
    if (!m_mountInfo.open(QIODevice::ReadOnly))
        return;
    m_notifier = new QSocketNotifier(m_mountInfo.handle(), QSocketNotifier::Exception, this);
    // Polling the file is what acknowledges the change: one event per change of the table.
    connect(m_notifier, &QSocketNotifier::activated, this, &MountWatcher::changed);
}

MountWatcher::~MountWatcher() = default;
