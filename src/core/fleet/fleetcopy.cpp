#include "fleet/fleetgit_p.h"
#include "fleet/fleetremote_p.h"

#include <QCryptographicHash>
#include <QFile>
#include <QSet>
#include <QtEndian>

// Fetching from a repository on this computer without libgit2's local transport, which searches deltas for every
// object it sends: a long history took minutes and hundreds of megabytes. Here each new object is read once, its size
// known before it is inflated, and written whole into one pack that libgit2's indexer checks as it stores it.

namespace Vexolo::FleetRemote {

using namespace FleetGit;

namespace {

using Heads = QList<QPair<QByteArray, git_oid>>;

QByteArray keyOf(const git_oid &oid)
{
    return QByteArray(reinterpret_cast<const char *>(oid.id), GIT_OID_RAWSZ);
}

// The remote's new objects, each once, parents' objects before none in particular.
class Collector final
{
public:
    Collector(git_repository *remote, git_odb *local, Channel &channel)
        : m_remote(remote)
        , m_local(local)
        , m_channel(channel)
    {
    }
    std::vector<git_oid> objects;

    bool addCommits(git_revwalk *walk)
    {
        git_oid oid;
        int step = 0;
        while ((step = git_revwalk_next(&oid, walk)) == 0) {
            if (add(oid)) {
                QString error;
                const Owned<git_commit> commit = commitOf(m_remote, oid, error);
                if (!commit || !addTree(*git_commit_tree_id(commit.get()), 0))
                    return false;
            }
            m_channel.alive();
        }
        return step == GIT_ITEROVER;
    }

private:
    // True when the object is new to both sides.
    bool add(const git_oid &oid)
    {
        if (m_seen.contains(keyOf(oid)) || git_odb_exists_ext(m_local, &oid, GIT_ODB_LOOKUP_NO_REFRESH))
            return false;
        m_seen.insert(keyOf(oid));
        objects.push_back(oid);
        return true;
    }

    bool addTree(const git_oid &oid, int depth)
    {
        if (!add(oid))
            return true;
        git_tree *made = nullptr;
        // The fleet's trees are a folder deep; one far deeper is no fleet's.
        if (depth > 8 || git_tree_lookup(&made, m_remote, &oid) != 0)
            return false;
        const Owned<git_tree> tree(made);
        for (size_t i = 0; i < git_tree_entrycount(tree.get()); ++i) {
            const git_tree_entry *entry = git_tree_entry_byindex(tree.get(), i);
            if (git_tree_entry_type(entry) == GIT_OBJECT_TREE && !addTree(*git_tree_entry_id(entry), depth + 1))
                return false;
            if (git_tree_entry_type(entry) == GIT_OBJECT_BLOB)
                add(*git_tree_entry_id(entry));
        }
        return true;
    }

    git_repository *m_remote;
    git_odb *m_local;
    Channel &m_channel;
    QSet<QByteArray> m_seen;
};

// A pack entry's header: the type and the inflated size, seven bits a byte after the first four.
QByteArray entryHeader(git_object_t type, size_t size)
{
    QByteArray header;
    auto byte = uchar((uint(type) << 4) | (size & 15));
    for (size >>= 4; size != 0; size >>= 7) {
        header += char(byte | 0x80);
        byte = uchar(size & 0x7f);
    }
    return header + char(byte);
}

QByteArray deflated(const QByteArray &bytes)
{
    // qCompress gives nothing at all for nothing; zlib's own stream of no bytes.
    if (bytes.isEmpty())
        return QByteArrayLiteral("\x78\x01\x03\x00\x00\x00\x00\x01");
    return qCompress(bytes, 1).mid(4);
}

class PackWriter final
{
public:
    explicit PackWriter(git_odb_writepack *pack)
        : m_pack(pack)
    {
    }
    ~PackWriter() { m_pack->free(m_pack); }
    Q_DISABLE_COPY_MOVE(PackWriter)

    // Handed to the indexer a megabyte at a time: each call of its own costs a write and a mapping.
    bool append(const QByteArray &bytes)
    {
        m_sum.addData(bytes);
        m_waiting += bytes;
        return m_waiting.size() < 1024 * 1024 || flush();
    }
    bool commit()
    {
        m_waiting += m_sum.result();
        return flush() && m_pack->commit(m_pack, &m_stats) == 0;
    }

private:
    bool flush()
    {
        const bool ok = m_pack->append(m_pack, m_waiting.constData(), size_t(m_waiting.size()), &m_stats) == 0;
        m_waiting.clear();
        return ok;
    }

    git_odb_writepack *m_pack;
    QByteArray m_waiting;
    QCryptographicHash m_sum {QCryptographicHash::Sha1};
    git_indexer_progress m_stats {};
};

bool writePack(git_odb *remote, git_odb *local, const std::vector<git_oid> &objects, const SyncLimits &limits,
               Channel &channel)
{
    git_odb_writepack *made = nullptr;
    if (git_odb_write_pack(&made, local, nullptr, nullptr) != 0)
        return false;
    PackWriter pack(made);
    QByteArray header = QByteArrayLiteral("PACK\0\0\0\2\0\0\0\0");
    qToBigEndian(quint32(objects.size()), header.data() + 8);
    if (!pack.append(header))
        return false;
    qint64 total = 0;
    for (const git_oid &oid : objects) {
        size_t size = 0;
        git_object_t type = GIT_OBJECT_INVALID;
        if (git_odb_read_header(&size, &type, remote, &oid) != 0)
            return false;
        total += qint64(size);
        if (qint64(size) > limits.objectBytes || total > limits.transferBytes) {
            channel.failed(QStringLiteral("the fleet's data is damaged: %1 is a %2 of %3 bytes")
                               .arg(shortId(&oid), QString::fromLatin1(git_object_type2string(type)))
                               .arg(size));
            return false;
        }
        git_odb_object *read = nullptr;
        if (git_odb_read(&read, remote, &oid) != 0)
            return false;
        const QByteArray bytes(static_cast<const char *>(git_odb_object_data(read)), qsizetype(size));
        git_odb_object_free(read);
        if (!pack.append(entryHeader(type, size) + deflated(bytes)))
            return false;
        channel.alive();
    }
    return pack.commit();
}

// The remote's branches, and a walk over the commits it has that this repository has not.
bool headsAndWalk(git_repository *remote, git_repository *local, Heads &heads, git_revwalk *walk)
{
    git_reference_iterator *made = nullptr;
    if (git_reference_iterator_glob_new(&made, remote, "refs/heads/*") != 0)
        return false;
    const Owned<git_reference_iterator> iterator(made);
    const char *name = nullptr;
    while (git_reference_next_name(&name, iterator.get()) == 0) {
        QString error;
        const std::optional<git_oid> tip = tipOf(remote, name, error);
        if (tip && git_revwalk_push(walk, &*tip) == 0)
            heads.append({QByteArray(name), *tip});
    }
    git_reference_iterator *ours = nullptr;
    if (git_reference_iterator_new(&ours, local) != 0)
        return false;
    const Owned<git_reference_iterator> owned(ours);
    while (git_reference_next_name(&name, owned.get()) == 0) {
        // A commit of ours the remote has never seen is simply not there to hide.
        QString error;
        if (const std::optional<git_oid> tip = tipOf(local, name, error))
            git_revwalk_hide(walk, &*tip);
    }
    return true;
}

} // namespace

bool fetchFromPath(git_repository *repository, const QString &remotePath, const SyncLimits &limits, Channel &channel)
{
    // Each object is read once: a cache would only hold what is not read again.
    git_libgit2_opts(GIT_OPT_ENABLE_CACHING, 0);
    git_repository *opened = nullptr;
    git_revwalk *walking = nullptr;
    git_odb *remoteOdb = nullptr;
    git_odb *localOdb = nullptr;
    if (git_repository_open_ext(&opened, QFile::encodeName(remotePath).constData(), GIT_REPOSITORY_OPEN_NO_SEARCH,
                                nullptr)
        != 0) {
        channel.failed(lastError());
        return false;
    }
    const Owned<git_repository> remote(opened);
    Heads heads;
    if (git_revwalk_new(&walking, remote.get()) != 0 || git_repository_odb(&remoteOdb, remote.get()) != 0
        || git_repository_odb(&localOdb, repository) != 0) {
        channel.failed(lastError());
        return false;
    }
    const Owned<git_revwalk> walk(walking);
    const std::unique_ptr<git_odb, void (*)(git_odb *)> theirs(remoteOdb, git_odb_free);
    const std::unique_ptr<git_odb, void (*)(git_odb *)> ours(localOdb, git_odb_free);
    Collector collector(remote.get(), localOdb, channel);
    bool ok = headsAndWalk(remote.get(), repository, heads, walk.get()) && collector.addCommits(walk.get())
        && (collector.objects.empty() || writePack(remoteOdb, localOdb, collector.objects, limits, channel));
    for (auto head = heads.cbegin(); ok && head != heads.cend(); ++head) {
        const QByteArray name = "refs/remotes/origin/" + head->first.mid(11);
        git_reference *moved = nullptr;
        ok = git_reference_create(&moved, repository, name.constData(), &head->second, 1, "sync") == 0;
        git_reference_free(moved);
    }
    if (!ok)
        channel.failed(QStringLiteral("the fleet's data is damaged: %1").arg(lastError()));
    return ok;
}

} // namespace Vexolo::FleetRemote
