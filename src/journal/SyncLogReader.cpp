// SPDX-License-Identifier: GPL-3.0-or-later
#include "journal/SyncLogReader.h"

#include "journal/AesGcm.h"
#include "journal/EntryCrypto.h"
#include "journal/SyncFolder.h"

#include <QFile>
#include <QtEndian>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace wendle {

namespace {

/** A segment opened for reading, closed when it goes; links are not followed. */
class SegmentFile
{
public:
    explicit SegmentFile(const QString& path)
        : m_fd(::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW))
    {
    }
    ~SegmentFile()
    {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    SegmentFile(const SegmentFile&) = delete;
    SegmentFile& operator=(const SegmentFile&) = delete;
    int fd() const { return m_fd; }

private:
    int m_fd;
};

/** Up to `length` bytes at `offset`; fewer at the end of the file, nothing when reading fails. */
std::optional<QByteArray> readBytes(int fd, quint64 offset, qint64 length)
{
    QByteArray bytes(length, Qt::Uninitialized);
    qint64 got = 0;
    while (got < length) {
        const ssize_t n = ::pread(fd, bytes.data() + got, std::size_t(length - got), off_t(offset + got));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return std::nullopt;
        }
        if (n == 0) {
            break;
        }
        got += n;
    }
    bytes.truncate(got);
    return bytes;
}

} // namespace

struct SyncLogReader::Found
{
    enum class Kind
    {
        record,
        endOfFile,
        stop
    };
    Kind kind = Kind::stop;
    Stop stop = Stop::unreadable;
    OpenedSyncRecord opened;
    quint64 length = 0;
};

SyncLogReader::SyncLogReader(const QString& root, const QByteArray& device, std::shared_ptr<const EntryKey> key)
    : m_folder(SyncFolder::deviceFolder(root, device))
    , m_device(device)
    , m_key(std::move(key))
    , m_cipher(std::make_unique<AesGcm>(std::span<const unsigned char>(m_key->data(), std::size_t(m_key->length()))))
{
}

SyncLogReader::~SyncLogReader() = default;

SyncLogReader::Found SyncLogReader::readAt(int fd, const SyncCursor& at)
{
    Found found;
    const std::optional<QByteArray> prefix = readBytes(fd, at.offset, SyncRecordFormat::prefixLength);
    if (!prefix) {
        return found;
    }
    if (prefix->isEmpty()) {
        found.kind = Found::Kind::endOfFile;
        return found;
    }
    found.stop = Stop::incomplete;
    if (prefix->size() < SyncRecordFormat::prefixLength) {
        return found;
    }
    const quint32 length = qFromBigEndian<quint32>(prefix->constData());
    if (length > SyncRecordFormat::maxSealedLength) {
        found.stop = Stop::tooLong;
        return found;
    }
    const std::optional<QByteArray> sealed = readBytes(fd, at.offset + SyncRecordFormat::prefixLength, length);
    if (!sealed || sealed->size() < qsizetype(length)) {
        found.stop = sealed ? Stop::incomplete : Stop::unreadable;
        return found;
    }
    found.opened = openSyncRecord(*m_cipher, {m_device, at.segment, at.record}, *sealed);
    switch (found.opened.result) {
    case OpenedSyncRecord::Result::opened:
        found.kind = Found::Kind::record;
        found.length = SyncRecordFormat::prefixLength + quint64(length);
        break;
    case OpenedSyncRecord::Result::unauthenticated:
        found.stop = Stop::unauthenticated;
        break;
    case OpenedSyncRecord::Result::unknownFormat:
        found.stop = Stop::unknownFormat;
        break;
    case OpenedSyncRecord::Result::failure:
        found.stop = Stop::unreadable;
        break;
    }
    return found;
}

std::optional<SyncLogReader::Stop> SyncLogReader::whyNoSetStarts(quint32 segment)
{
    const SegmentFile file(SyncFolder::segmentPath(m_folder, segment));
    if (file.fd() < 0) {
        return Stop::unreadable;
    }
    const Found first = readAt(file.fd(), {segment, 0, 0});
    switch (first.kind) {
    case Found::Kind::record:
        return first.opened.flags & SyncRecordFlag::startsSet ? std::nullopt : std::optional(Stop::gap);
    case Found::Kind::endOfFile:
        return Stop::incomplete;
    case Found::Kind::stop:
        break;
    }
    return first.stop;
}

SyncLogReader::Pass SyncLogReader::read(SyncCursor from, std::size_t limit)
{
    Pass pass{{}, from, Stop::caughtUp};
    SyncCursor& cursor = pass.cursor;
    const std::vector<quint32> segments = SyncFolder::segments(m_folder);
    // Moves on past `after` to the next segment, if it starts a set; false (and why) when the reading stops.
    const auto moveOnFrom = [&](quint32 after) {
        const auto next = std::upper_bound(segments.begin(), segments.end(), after);
        if (next == segments.end()) {
            pass.stop = Stop::caughtUp;
            return false;
        }
        if (const std::optional<Stop> why = whyNoSetStarts(*next)) {
            pass.stop = *why;
            return false;
        }
        cursor = {*next, 0, 0};
        return true;
    };
    // A cursor past everything there is, other than at the start of the next segment, means the log began again
    // lower down (its folder was emptied): it is read again from its start, which changes nothing already read.
    const bool startedOver
        = !segments.empty() && cursor.segment > segments.back() && !(cursor == SyncCursor{segments.back() + 1, 0, 0});
    if (startedOver) {
        cursor = {};
    }
    while (true) {
        if (!std::binary_search(segments.begin(), segments.end(), cursor.segment) && !moveOnFrom(cursor.segment)) {
            return pass;
        }
        const SegmentFile file(SyncFolder::segmentPath(m_folder, cursor.segment));
        if (file.fd() < 0) {
            pass.stop = Stop::unreadable;
            return pass;
        }
        const quint32 segment = cursor.segment;
        while (cursor.segment == segment) {
            if (pass.records.size() >= limit) {
                pass.stop = Stop::limit;
                return pass;
            }
            Found found = readAt(file.fd(), cursor);
            if (found.kind == Found::Kind::stop) {
                pass.stop = found.stop;
                return pass;
            }
            if (found.kind == Found::Kind::endOfFile) {
                if (!moveOnFrom(segment)) {
                    return pass;
                }
                break;
            }
            pass.records.push_back({std::move(found.opened.record), cursor, found.opened.flags});
            cursor.offset += found.length;
            ++cursor.record;
            if (found.opened.flags & SyncRecordFlag::endsSegment) {
                cursor = {segment + 1, 0, 0};
            }
        }
    }
}

} // namespace wendle
