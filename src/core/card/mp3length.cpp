#include "card/mp3length.h"

#include "card/mpegstart.h"
#include "storage/cardstore.h"

#include <taglib/id3v2framefactory.h>
#include <taglib/mpegfile.h>
#include <taglib/mpegproperties.h>
#include <taglib/tiostream.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <functional>

#include <sys/stat.h>
#include <unistd.h>

namespace Vexolo {

namespace {

// Reads size bytes at offset into buffer; the count read, or -1.
using ReadAt = std::function<qint64(char *buffer, qint64 size, qint64 offset)>;

// Where the sound starts: past the ID3v2 tag at the file's start. TagLib is never shown the tag, so none of its frames
// is parsed or inflated (a compressed frame may claim gigabytes); the length needs the MPEG frames only.
qint64 soundStart(const ReadAt &readAt, qint64 size)
{
    char header[MpegStartSize];
    if (readAt(header, sizeof header, 0) != qint64(sizeof header))
        return 0;
    return std::min(id3TagSize(QByteArrayView(header, sizeof header)), size);
}

// A read-only stream for TagLib of the file's sound, up to MaxSize, that serves no more than the read
// budget and never a block larger than MaxBlock, whatever sizes a damaged or hostile file's headers claim.
class BoundedStream final : public TagLib::IOStream
{
public:
    BoundedStream(ReadAt readAt, qint64 size)
        : m_readAt(std::move(readAt))
        , m_start(soundStart(m_readAt, size))
        , m_size(std::min({size - m_start, Mp3MaxSize, qint64(LONG_MAX)}))
    {
    }

    TagLib::FileName name() const override { return "track"; }

    TagLib::ByteVector readBlock(unsigned long length) override
    {
        const qint64 wanted
            = std::min({qint64(std::min<unsigned long>(length, Mp3MaxBlock)), Mp3ReadBudget - m_spent, m_size - m_at});
        if (wanted <= 0)
            return {};
        TagLib::ByteVector block(static_cast<unsigned int>(wanted));
        const qint64 count = m_readAt(block.data(), wanted, m_start + m_at);
        if (count <= 0)
            return {};
        block.resize(static_cast<unsigned int>(count));
        m_at += count;
        m_spent += count;
        return block;
    }

    void writeBlock(const TagLib::ByteVector &) override { }
    void insert(const TagLib::ByteVector &, unsigned long, unsigned long) override { }
    void removeBlock(unsigned long, unsigned long) override { }
    bool readOnly() const override { return true; }
    bool isOpen() const override { return true; }

    void seek(long offset, Position from) override
    {
        const qint64 base = from == Beginning ? 0 : from == Current ? m_at : m_size;
        m_at = std::clamp<qint64>(base + offset, 0, m_size);
    }

    long tell() const override { return long(m_at); }
    long length() override { return long(m_size); }
    void truncate(long) override { }

private:
    ReadAt m_readAt;
    qint64 m_start;
    qint64 m_size;
    qint64 m_at = 0;
    qint64 m_spent = 0;
};

TrackLength lengthOf(BoundedStream &stream)
{
    TagLib::MPEG::File file(&stream, TagLib::ID3v2::FrameFactory::instance(), true, TagLib::AudioProperties::Fast);
    if (!file.isValid() || !file.audioProperties())
        return {};
    const int milliseconds = file.audioProperties()->lengthInMilliseconds();
    if (milliseconds <= 0)
        return {};
    return milliseconds;
}

} // namespace

TrackLength readMp3Length(int fd)
{
    struct stat info;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) // fstat refuses -1 too
        return {};
    BoundedStream stream(
        [fd](char *buffer, qint64 size, qint64 offset) -> qint64 {
            for (;;) {
                const ssize_t count = ::pread(fd, buffer, size_t(size), off_t(offset));
                if (count >= 0 || errno != EINTR)
                    return count;
            }
        },
        info.st_size);
    return lengthOf(stream);
}

TrackLength readMp3Length(QByteArrayView bytes)
{
    BoundedStream stream(
        [bytes](char *buffer, qint64 size, qint64 offset) -> qint64 {
            const qint64 count = std::min(size, bytes.size() - offset);
            if (count > 0)
                std::memcpy(buffer, bytes.data() + offset, size_t(count));
            return count;
        },
        bytes.size());
    return lengthOf(stream);
}

QHash<QString, TrackLength> readTrackLengths(const CardStore &store, const QStringList &trackNames)
{
    QHash<QString, TrackLength> lengths;
    for (const QString &trackName : trackNames) {
        if (lengths.contains(trackName))
            continue;
        const Fd track = store.openTrack(trackName);
        lengths.insert(trackName, track.isOpen() ? readMp3Length(track.get()) : std::nullopt);
    }
    return lengths;
}

} // namespace Vexolo
