#include "storage/cardlock.h"

#include <QDir>
#include <QStandardPaths>
#include <QThread>

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/sysmacros.h>

namespace Vexolo {

namespace {

constexpr int LookAgainMs = 100;
std::atomic<std::chrono::milliseconds::rep> g_writerWait = 20000;
thread_local std::function<void()> t_report;

} // namespace

std::chrono::milliseconds cardWriterWait()
{
    return std::chrono::milliseconds(g_writerWait.load());
}

void setCardWriterWait(std::chrono::milliseconds limit)
{
    g_writerWait = limit.count();
}

QString CardWriteLock::fileOf(const CardIdentity &card)
{
    // The runtime folder as the environment names it: the toolkit's own fallback warns on standard error, which the
    // verbs keep for their own lines.
    QString folder = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!QDir::isAbsolutePath(folder))
        folder = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    return QStringLiteral("%1/vexolo-cards/%2-%3-%4.lock")
        .arg(folder)
        .arg(major(card.device))
        .arg(minor(card.device))
        .arg(card.inode);
}

CardWriteLock::CardWriteLock(const CardIdentity &card)
{
    if (!card.isValid())
        return; // no card: the write itself finds none
    const QString path = fileOf(card);
    QDir().mkpath(QFileInfo(path).absolutePath());
    m_file = Fd(::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600));
    // Where no lock file can be made, no other program of the user can make one either: there is none to wait for.
    if (!m_file.isOpen())
        return;
    const auto deadline = std::chrono::steady_clock::now() + cardWriterWait();
    while (::flock(m_file.get(), LOCK_EX | LOCK_NB) != 0) {
        if (errno != EWOULDBLOCK && errno != EINTR)
            return;
        if (std::chrono::steady_clock::now() >= deadline) {
            m_held = false;
            m_file = Fd();
            return;
        }
        WriterWaitReport::tell();
        QThread::msleep(LookAgainMs);
    }
}

WriterWaitReport::WriterWaitReport(std::function<void()> report)
    : m_outer(std::exchange(t_report, std::move(report)))
{
}

WriterWaitReport::~WriterWaitReport()
{
    t_report = std::move(m_outer);
}

void WriterWaitReport::tell()
{
    if (t_report)
        t_report();
}

} // namespace Vexolo
