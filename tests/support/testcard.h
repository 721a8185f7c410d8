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
    QString parentFolder() const { return m_dir.path(); }
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
    // Mounts a tmpfs of the given size on the card root; false when mounting is not permitted.
    bool mountTmpfs(qint64 bytes)
    {
        return m_mounted = run({"mount", "-t", "tmpfs", "-o", "size=" + QString::number(bytes), "tmpfs", m_root});
    }
    bool makeReadOnly() const { return m_mounted && run({"mount", "-o", "remount,ro", m_root}); }
    // Fills the mounted tmpfs so that no data block is left: blocks first, then the rest byte by byte.
    void fill() const
    {
        QFile filler(path(".filler"));
        if (filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            for (qint64 size = 4096; size > 0; size /= 64)
                while (filler.write(QByteArray(size, 'x')) == size) { }
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
