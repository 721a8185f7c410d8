#pragma once

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

// A card for tests: a real temporary folder, optionally a real tmpfs mount (tiny, to fill it,
// or remounted read-only). Mounting needs root; tests skip where it is not permitted.
class TestCard
{
public:
    TestCard() { QDir().mkpath(m_root); }
    ~TestCard()
    {
        if (m_mounted)
            run({"umount", "-l", m_root});
    }
    Q_DISABLE_COPY_MOVE(TestCard)

    // The card root: a folder inside the temporary folder, so tests can also check its parent.
    QString root() const { return m_root; }
    QString path(const QString &relative) const { return m_root + '/' + relative; }
    void addFiles(const QStringList &names) const
    {
        for (const QString &name : names)
            write(name, {});
    }
    bool write(const QString &relative, const QByteArray &content) const
    {
        QFile file(path(relative));
        QDir().mkpath(QFileInfo(file).absolutePath());
        return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
    }
    QByteArray read(const QString &relative) const
    {
        QFile file(path(relative));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    // Every file and folder below the temporary folder (card root included): sorted relative paths.
    QStringList snapshot() const
    {
        QStringList entries;
        QDirIterator it(m_dir.path(), QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories);
        while (it.hasNext())
            entries.append(QDir(m_dir.path()).relativeFilePath(it.next()));
        entries.sort();
        return entries;
    }
    // Mounts a tmpfs on the card root, tiny for "full"; false when mounting is not permitted.
    bool mountTmpfs(const QString &kind)
    {
        const QString size = kind == "full" ? "size=64k" : "size=1m";
        return m_mounted = run({"mount", "-t", "tmpfs", "-o", size, "tmpfs", m_root});
    }
    // Pulls the mounted card as a user would, leaving its mount folder behind.
    bool unmount() { return m_mounted && !(m_mounted = !run({"umount", "-l", m_root})); }
    // Makes the mounted card "read-only" (remounted so) or "full" (not a data block left: blocks first, then bytes).
    bool spoil(const QString &kind) const
    {
        QFile filler(path(".filler"));
        if (kind == "full" && filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            for (qint64 size = 4096; size > 0; size /= 64)
                while (filler.write(QByteArray(size, 'x')) == size) { }
        return m_mounted && (kind == "full" || run({"mount", "-o", "remount,ro", m_root}));
    }

private:
    static bool run(QStringList arguments)
    {
        QProcess process;
        process.start(arguments.takeFirst(), arguments);
        return process.waitForFinished(10000) && process.exitStatus() == QProcess::NormalExit && !process.exitCode();
    }

    QTemporaryDir m_dir;
    QString m_root = m_dir.path() + "/card";
    bool m_mounted = false;
};
