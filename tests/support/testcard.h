#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

// A card for tests: a real temporary folder, optionally a real tmpfs mount (tiny, to fill it,
// or remounted read-only). Mounting needs root; tests skip where it is not permitted.
class TestCard
{
public:
    TestCard();
    ~TestCard();
    Q_DISABLE_COPY_MOVE(TestCard)

    bool isValid() const { return m_dir.isValid(); }
    // The card root: a folder inside the temporary folder, so tests can also check its parent.
    QString root() const { return m_root; }
    QString parentFolder() const { return m_dir.path(); }
    QString path(const QString &relative) const;

    void addFiles(const QStringList &names, const QByteArray &content = {}) const;
    bool write(const QString &relative, const QByteArray &content) const;
    QByteArray read(const QString &relative) const;
    bool exists(const QString &relative) const;
    // Every file and folder below the temporary folder (card root included), relative paths.
    QStringList snapshot() const;

    // Mounts a tmpfs of the given size on the card root; false when mounting is not permitted.
    bool mountTmpfs(qint64 bytes);
    // Remounts the tmpfs read-only; false when that is not permitted.
    bool makeReadOnly();
    // Fills the mounted tmpfs so that no data block is left.
    void fill();

private:
    QTemporaryDir m_dir;
    QString m_root;
    bool m_mounted = false;
};
