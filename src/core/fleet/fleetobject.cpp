#include "fleet/fleetgit_p.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

// The one way an object of the fleet's repository is read: sized before it is inflated, never a hang on a damaged one.

namespace Vexolo::FleetGit {

namespace {

// "type size\0" before a loose object's content; a longer header is damage.
constexpr int HeaderLimit = 32;

ObjectRead failed(ObjectRead::Failure failure, const git_oid &id, const QByteArray &what, const QString &cause)
{
    const QString text = failure == ObjectRead::Failure::TooLarge
        ? QStringLiteral("the fleet's data is refused: %1 (object %2) %3")
        : QStringLiteral("the fleet's data is damaged: %1 (object %2) %3");
    return {failure, {}, text.arg(QString::fromUtf8(what), shortId(&id), cause)};
}

// The loose object's file, read whole when it is a regular file no larger than a compressed object of limit bytes
// can be; none (and no error) when there is no such file, so the object is packed or missing.
std::optional<QByteArray> looseFile(git_repository *repository, const git_oid &id, qint64 limit, QString &cause)
{
    char hex[GIT_OID_HEXSZ + 1];
    git_oid_tostr(hex, sizeof hex, &id);
    const QByteArray path
        = QByteArray(git_repository_path(repository)) + "objects/" + QByteArray(hex, 2) + '/' + QByteArray(hex + 2);
    const int fd = ::open(path.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        if (errno != ENOENT)
            cause = QStringLiteral("cannot be opened: %1").arg(QString::fromLocal8Bit(strerror(errno)));
        return std::nullopt;
    }
    struct stat info;
    QByteArray bytes;
    // zlib makes stored blocks at worst: 5 bytes per 16 KiB more than the content, and its header and check.
    const qint64 most = limit + HeaderLimit + (limit + HeaderLimit) / 16384 * 5 + 64;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))
        cause = QStringLiteral("is no regular file");
    else if (info.st_size > most)
        cause = QStringLiteral("holds more than %1 bytes").arg(limit);
    else {
        bytes.resize(info.st_size);
        qint64 got = 0;
        while (got < bytes.size()) {
            const ssize_t n = ::read(fd, bytes.data() + got, size_t(bytes.size() - got));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            got += n;
        }
        if (got != bytes.size())
            cause = QStringLiteral("cannot be read");
    }
    ::close(fd);
    return bytes;
}

struct Inflater
{
    z_stream stream {};
    bool ready = inflateInit(&stream) == Z_OK;
    Inflater() = default;
    ~Inflater() { inflateEnd(&stream); }
    Q_DISABLE_COPY_MOVE(Inflater)

    // Inflates into out[from, out.size()); Z_OK while more is to come, Z_STREAM_END at its end, else the damage.
    int into(QByteArray &out, qsizetype from)
    {
        stream.next_out = reinterpret_cast<Bytef *>(out.data() + from);
        stream.avail_out = uInt(out.size() - from);
        int status = Z_OK;
        // Each round takes input or gives output; a stream cut short stops with Z_BUF_ERROR.
        while (status == Z_OK && stream.avail_out > 0)
            status = inflate(&stream, Z_NO_FLUSH);
        return status;
    }
};

// A loose object: its header inflated first, its size checked, then its content, to exactly that size.
ObjectRead inflateLoose(QByteArray file, const git_oid &id, git_object_t type, qint64 limit, const QByteArray &what)
{
    Inflater inflater;
    inflater.stream.next_in = reinterpret_cast<Bytef *>(file.data());
    inflater.stream.avail_in = uInt(file.size());
    QByteArray head(HeaderLimit, '\0');
    const int status = inflater.ready ? inflater.into(head, 0) : Z_MEM_ERROR;
    const qsizetype got = head.size() - qsizetype(inflater.stream.avail_out);
    const qsizetype nul = head.left(got).indexOf('\0');
    const QList<QByteArray> fields = head.left(nul).split(' ');
    bool number = false;
    const qint64 size = fields.value(1).toLongLong(&number);
    if ((status != Z_OK && status != Z_STREAM_END) || nul < 0 || fields.size() != 2 || !number || size < 0)
        return failed(ObjectRead::Failure::Damaged, id, what, QStringLiteral("is cut short or no object"));
    if (git_object_string2type(fields[0].constData()) != type)
        return failed(ObjectRead::Failure::WrongType, id, what,
                      QStringLiteral("is a %1, not a %2")
                          .arg(QString::fromLatin1(fields[0]), QString::fromLatin1(git_object_type2string(type))));
    if (size > limit)
        return failed(ObjectRead::Failure::TooLarge, id, what,
                      QStringLiteral("holds %1 bytes, more than %2").arg(size).arg(limit));
    const qsizetype already = got - nul - 1;
    if (already > size)
        return failed(ObjectRead::Failure::Damaged, id, what, QStringLiteral("holds more than its header says"));
    QByteArray content(size + 1, Qt::Uninitialized); // a byte more: content past the size is damage
    std::copy(head.cbegin() + nul + 1, head.cbegin() + got, content.begin());
    int end = status;
    qint64 total = already;
    if (status != Z_STREAM_END) {
        end = inflater.into(content, already);
        total = content.size() - qint64(inflater.stream.avail_out);
    }
    if (end != Z_STREAM_END || total != size || inflater.stream.avail_in != 0)
        return failed(ObjectRead::Failure::Damaged, id, what, QStringLiteral("is cut short or damaged"));
    content.resize(size);
    return {ObjectRead::Failure::None, content, {}};
}

// A packed object: libgit2 tells its size and type from the pack before anything is inflated.
ObjectRead readPacked(git_repository *repository, const git_oid &id, git_object_t type, qint64 limit,
                      const QByteArray &what, bool content)
{
    git_odb *odb = nullptr;
    if (git_repository_odb(&odb, repository) != 0)
        return failed(ObjectRead::Failure::Damaged, id, what, lastError());
    const std::unique_ptr<git_odb, void (*)(git_odb *)> ownedOdb(odb, git_odb_free);
    size_t size = 0;
    git_object_t found = GIT_OBJECT_INVALID;
    const int header = git_odb_read_header(&size, &found, odb, &id);
    if (header == GIT_ENOTFOUND)
        return failed(ObjectRead::Failure::Missing, id, what, QStringLiteral("is missing"));
    if (header != 0)
        return failed(ObjectRead::Failure::Damaged, id, what, lastError());
    if (found != type)
        return failed(ObjectRead::Failure::WrongType, id, what,
                      QStringLiteral("is a %1, not a %2")
                          .arg(QString::fromLatin1(git_object_type2string(found)),
                               QString::fromLatin1(git_object_type2string(type))));
    if (qint64(size) > limit)
        return failed(ObjectRead::Failure::TooLarge, id, what,
                      QStringLiteral("holds %1 bytes, more than %2").arg(size).arg(limit));
    if (!content)
        return {};
    git_odb_object *object = nullptr;
    if (git_odb_read(&object, odb, &id) != 0)
        return failed(ObjectRead::Failure::Damaged, id, what, lastError());
    const QByteArray bytes(static_cast<const char *>(git_odb_object_data(object)),
                           qsizetype(git_odb_object_size(object)));
    git_odb_object_free(object);
    return {ObjectRead::Failure::None, bytes, {}};
}

ObjectRead read(git_repository *repository, const git_oid &id, git_object_t type, qint64 limit, const QByteArray &what,
                bool content)
{
    QString cause;
    std::optional<QByteArray> file = looseFile(repository, id, limit, cause);
    if (!cause.isEmpty())
        return failed(cause.startsWith(QStringLiteral("holds")) ? ObjectRead::Failure::TooLarge
                                                                : ObjectRead::Failure::Damaged,
                      id, what, cause);
    if (file)
        return inflateLoose(std::move(*file), id, type, limit, what);
    return readPacked(repository, id, type, limit, what, content);
}

} // namespace

ObjectRead readObject(git_repository *repository, const git_oid &id, git_object_t type, qint64 limit,
                      const QByteArray &what)
{
    return read(repository, id, type, limit, what, true);
}

QString checkObject(git_repository *repository, const git_oid &id, git_object_t type, qint64 limit,
                    const QByteArray &what)
{
    return read(repository, id, type, limit, what, false).error;
}

} // namespace Vexolo::FleetGit
