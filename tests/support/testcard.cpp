#include "support/testcard.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

namespace {

bool run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    return process.waitForFinished(10000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

} // namespace

TestCard::TestCard()
{
    m_root = m_dir.path() + QStringLiteral("/card");
    QDir().mkpath(m_root);
}

TestCard::~TestCard()
{
    if (m_mounted)
        run(QStringLiteral("umount"), {QStringLiteral("-l"), m_root});
}

QString TestCard::path(const QString &relative) const
{
    return m_root + QLatin1Char('/') + relative;
}

void TestCard::addFiles(const QStringList &names, const QByteArray &content) const
{
    for (const QString &name : names)
        write(name, content);
}

bool TestCard::write(const QString &relative, const QByteArray &content) const
{
    QFile file(path(relative));
    QDir().mkpath(QFileInfo(file).absolutePath());
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(content) == content.size();
}

QByteArray TestCard::read(const QString &relative) const
{
    QFile file(path(relative));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool TestCard::exists(const QString &relative) const
{
    return QFileInfo::exists(path(relative));
}

QStringList TestCard::snapshot() const
{
    QStringList entries;
    QDirIterator it(m_dir.path(), QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    const QDir base(m_dir.path());
    while (it.hasNext())
        entries.append(base.relativeFilePath(it.next()));
    entries.sort();
    return entries;
}

bool TestCard::mountTmpfs(qint64 bytes)
{
    if (m_mounted)
        return true;
    m_mounted = run(QStringLiteral("mount"), {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                                              QStringLiteral("size=%1").arg(bytes), QStringLiteral("tmpfs"), m_root});
    return m_mounted;
}

bool TestCard::makeReadOnly()
{
    return m_mounted && run(QStringLiteral("mount"), {QStringLiteral("-o"), QStringLiteral("remount,ro"), m_root});
}

void TestCard::fill()
{
    QFile filler(path(QStringLiteral(".filler")));
    if (!filler.open(QIODevice::WriteOnly))
        return;
    const QByteArray block(4096, 'x');
    while (filler.write(block) == block.size() && filler.flush()) {
    }
    filler.close();
    // Small leftovers at the end of the last block are filled byte by byte.
    QFile tail(path(QStringLiteral(".filler2")));
    if (tail.open(QIODevice::WriteOnly)) {
        while (tail.write("x", 1) == 1 && tail.flush()) {
        }
    }
}
