#pragma once

#include <QtCore>

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

// A card for tests: a real temporary folder, optionally a real mount on it (a tiny or read-only
// tmpfs, a loop-mounted image made with mkfs) or inside it. Mounting needs root; tests skip where
// it is not permitted.
class TestCard
{
public:
    explicit TestCard(const QStringList &tracks = {}) // empty files of these names in the root
    {
        QDir().mkpath(m_root);
        addFiles(tracks);
    }
    ~TestCard()
    {
        revive();
        while (!m_mounts.isEmpty())
            run({"umount", "-l", m_mounts.takeLast()});
        run({"rm", "-rf", m_dir.path()}); // names that are no text too
    }
    Q_DISABLE_COPY_MOVE(TestCard)

    // The card root: a folder inside the temporary folder, so tests can also check its parent.
    QString root() const { return m_root; }
    operator QString() const { return m_root; } // where a card folder is wanted: CardStore store(card)
    QString path(const QString &relative) const { return m_root + '/' + relative; }
    // The root open as a folder, for the calls that work beside an open folder.
    int openRoot() const { return ::open(qPrintable(m_root), O_RDONLY | O_DIRECTORY); }
    void addFiles(const QStringList &names) const
    {
        for (const QString &name : names)
            write(name, {});
    }
    bool write(const QString &relative, const QByteArray &content) const
    {
        QDir().mkpath(QFileInfo(path(relative)).absolutePath());
        return writeTo(path(relative), content);
    }
    static bool writeTo(const QString &path, const QByteArray &content)
    {
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
    }
    // The start of an MPEG-1 Layer III frame (128 kbit/s, 44.1 kHz), then rest: what a dropped track must start as.
    static QByteArray mp3(const QByteArray &rest = {}) { return QByteArray("\xFF\xFB\x90\x64", 4) + rest; }
    QByteArray read(const QString &relative) const
    {
        QFile file(path(relative));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    // The file's inode, 0 for none: a file written anew in its place has another.
    ino_t inode(const QString &relative) const
    {
        struct stat info = {};
        ::stat(qPrintable(path(relative)), &info);
        return info.st_ino;
    }
    // Every file and folder below the temporary folder (card root included): sorted relative paths.
    QStringList snapshot(bool withBytes = false) const // each file's bytes after a "="
    {
        QStringList entries;
        QDirIterator it(m_dir.path(), QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            QFile file(it.next());
            entries.append(QDir(m_dir.path()).relativeFilePath(file.fileName())
                           + (withBytes && file.open(QIODevice::ReadOnly) ? '=' + file.readAll() : ""));
        }
        entries.sort();
        return entries;
    }
    // mount arguments... onto the card's relative path; false when mounting is not permitted.
    bool mount(const QStringList &arguments, const QString &relative = ".")
    {
        const QString at = QDir::cleanPath(path(relative));
        return QDir().mkpath(at) && run(QStringList {"mount"} + arguments + QStringList {at}) && (m_mounts << at, true);
    }
    // Binds the file from over the card's existing file at relative; false when mounting is not permitted.
    bool bindFile(const QString &from, const QString &relative)
    {
        return run({"mount", "--bind", from, path(relative)}) && (m_mounts << path(relative), true);
    }
    // A tmpfs on the card root, tiny for "full".
    bool mountTmpfs(const QString &kind)
    {
        return mount({"-t", "tmpfs", "-o", kind == "full" ? "size=64k" : "size=1m", "tmpfs"});
    }
    // A fresh image made by mkfs (the program and its options), loop-mounted on the card root.
    bool mountImage(QStringList mkfs)
    {
        const QString image = m_dir.filePath(QString::number(m_mounts.size()) + ".img");
        mkfs.append(image);
        return run({"truncate", "-s", "40M", image}) && run(mkfs) && mount({"-o", "loop", image});
    }
    // Mounts a card that does not answer on the root: a FUSE mount whose server reads no request, so
    // every look at the card waits until revive() ends the connection (then it fails).
    bool mountDead()
    {
        m_fuse = ::open("/dev/fuse", O_RDWR | O_CLOEXEC);
        const QByteArray options = "fd=" + QByteArray::number(m_fuse) + ",rootmode=40000,user_id=0,group_id=0";
        if (m_fuse < 0
            || ::mount("vexolo-dead", QFile::encodeName(m_root).constData(), "fuse", 0, options.constData())) {
            revive();
            return false;
        }
        m_mounts << m_root;
        return true;
    }
    void revive()
    {
        if (m_fuse >= 0)
            ::close(std::exchange(m_fuse, -1));
    }
    // Pulls the mounted card as a user would, leaving its mount folder behind.
    bool unmount() { return !m_mounts.isEmpty() && run({"umount", m_mounts.takeLast()}); }
    // Makes the mounted card "read-only" (remounted so) or "full" (not a data block left: blocks first, then bytes).
    bool spoil(const QString &kind) const
    {
        QFile filler(path(".filler"));
        if (kind == "full" && filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            for (qint64 size = 4096; size > 0; size /= 64)
                while (filler.write(QByteArray(size, 'x')) == size) { }
        return !m_mounts.isEmpty() && (kind == "full" || run({"mount", "-o", "remount,ro", m_root}));
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
    QStringList m_mounts;
    int m_fuse = -1;
};
