// SPDX-License-Identifier: GPL-3.0-or-later
#include "journal/SyncLogWriter.h"

#include "journal/AesGcm.h"
#include "journal/EntryCrypto.h"
#include "journal/SyncFolder.h"
#include "journal/SystemLog.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QtEndian>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <syslog.h>
#include <unistd.h>

namespace wendle {

namespace {

QString systemReason()
{
    return QString::fromLocal8Bit(strerror(errno));
}

/** Stops that a record cut short by a crash leaves: the only ones the writer may cut off, and only at the end. */
bool leftByCrash(SyncLogReader::Stop stop)
{
    return stop == SyncLogReader::Stop::incomplete || stop == SyncLogReader::Stop::unauthenticated
        || stop == SyncLogReader::Stop::tooLong;
}

} // namespace

SyncLogWriter::SyncLogWriter(const QString& root, const QByteArray& device, std::shared_ptr<const EntryKey> key)
    : m_folder(SyncFolder::deviceFolder(root, device))
    , m_device(device)
    , m_key(std::move(key))
    , m_cipher(std::make_unique<AesGcm>(std::span<const unsigned char>(m_key->data(), std::size_t(m_key->length()))))
    , m_reader(root, device, m_key)
{
}

SyncLogWriter::~SyncLogWriter()
{
    closeSegment();
}

bool SyncLogWriter::fail(QString* error, const QString& reason)
{
    *error = QCoreApplication::translate("wendle::SyncLogWriter",
                                         "Couldn't write this computer's changes to the sync folder %1: %2.")
                 .arg(m_folder, reason);
    return false;
}

bool SyncLogWriter::damaged(quint32 segment, QString* error)
{
    return fail(error,
                QCoreApplication::translate("wendle::SyncLogWriter", "%1 does not read back")
                    .arg(SyncFolder::segmentName(segment)));
}

bool SyncLogWriter::open(QString* error)
{
    closeSegment();
    m_open = false;
    if (!QDir().mkpath(m_folder) || ::chmod(QFile::encodeName(m_folder).constData(), 0700) != 0) {
        return fail(error, systemReason());
    }
    const std::vector<quint32> segments = SyncFolder::segments(m_folder);
    std::vector<quint32> starts;
    std::copy_if(segments.begin(), segments.end(), std::back_inserter(starts),
                 [&](quint32 segment) { return m_reader.startsSet(segment); });
    if (starts.empty()) {
        return startLog(segments, error);
    }
    m_base = starts.back();
    const SyncLogReader::Pass pass = m_reader.read({m_base, 0, 0});
    const std::vector<quint32> below(segments.begin(), std::lower_bound(segments.begin(), segments.end(), m_base));
    const bool compactionEnded = std::any_of(pass.records.begin(), pass.records.end(), [](const auto& read) {
        return read.flags & SyncRecordFlag::endsCompaction;
    });
    if (!below.empty() && !compactionEnded) {
        // A compaction was interrupted: it is done again from the set before and whatever it had written.
        return starts.size() < 2 ? damaged(below.front(), error)
                                 : redoCompaction(starts[starts.size() - 2], segments.back(), error);
    }
    if (!removeSegments(below, error) || !repairEnd(pass, segments, error)) {
        return false;
    }
    m_next = pass.cursor;
    m_startsSet = false;
    takeStock(pass.records);
    m_open = true;
    return true;
}

bool SyncLogWriter::startLog(const std::vector<quint32>& segments, QString* error)
{
    if (!segments.empty() && sealedUnderAnotherKey(segments.front())) {
        // Written before the journal joined another and took its key: nothing of it opens there, and the journal
        // sends everything again under the key it has now. Readers move on to the set above it.
        logToSystem(
            LOG_NOTICE,
            QStringLiteral("sync: starting this computer's log in %1 over under the journal's new key").arg(m_folder));
        if (!removeSegments(segments, error)) {
            return false;
        }
        m_base = segments.back() + 1;
        m_next = {m_base, 0, 0};
        m_startsSet = true;
        takeStock({});
        m_open = true;
        return true;
    }
    if (segments.size() > 1 || (segments.size() == 1 && !onlyCutShort({segments[0], 0, 0}))) {
        return damaged(segments.front(), error);
    }
    if (segments.size() == 1 && !truncateSegment(segments[0], 0, error)) {
        return false;
    }
    m_base = segments.empty() ? 1 : segments[0];
    m_next = {m_base, 0, 0};
    m_startsSet = true;
    takeStock({});
    m_open = true;
    return true;
}

bool SyncLogWriter::redoCompaction(quint32 from, quint32 lastSegment, QString* error)
{
    const SyncLogReader::Pass all = m_reader.read({from, 0, 0});
    if (all.stop != SyncLogReader::Stop::caughtUp && !(leftByCrash(all.stop) && all.cursor.segment == lastSegment)) {
        return damaged(all.cursor.segment, error);
    }
    return writeSet(all.records, error);
}

bool SyncLogWriter::repairEnd(const SyncLogReader::Pass& pass, const std::vector<quint32>& segments, QString* error)
{
    const SyncCursor& end = pass.cursor;
    if (pass.stop == SyncLogReader::Stop::caughtUp) {
        return true;
    }
    const std::vector<quint32> beyond(std::upper_bound(segments.begin(), segments.end(), end.segment), segments.end());
    if (leftByCrash(pass.stop) && beyond.empty() && onlyCutShort(end)) {
        logToSystem(LOG_WARNING,
                    QStringLiteral("sync: cut off a record left incomplete at the end of %1")
                        .arg(SyncFolder::segmentPath(m_folder, end.segment)));
        return truncateSegment(end.segment, end.offset, error);
    }
    // A compaction that never wrote its first record whole: no reader can get past it.
    const QFileInfo stoppedIn(SyncFolder::segmentPath(m_folder, end.segment));
    const bool movingOn = !stoppedIn.exists() || quint64(stoppedIn.size()) <= end.offset;
    if (leftByCrash(pass.stop) && movingOn && beyond.size() == 1 && onlyCutShort({beyond[0], 0, 0})) {
        return removeSegments(beyond, error);
    }
    return damaged(end.segment, error);
}

bool SyncLogWriter::onlyCutShort(const SyncCursor& at)
{
    // What a crash in the middle of an append leaves: nothing, or one last record that is short or does not open.
    QFile file(SyncFolder::segmentPath(m_folder, at.segment));
    if (!file.open(QIODevice::ReadOnly) || !file.seek(qint64(at.offset))) {
        return false;
    }
    const QByteArray prefix = file.read(SyncRecordFormat::prefixLength);
    if (prefix.size() < SyncRecordFormat::prefixLength) {
        return true;
    }
    const qint64 length = qFromBigEndian<quint32>(prefix.constData());
    const qint64 rest = file.size() - file.pos();
    if (rest != length) {
        return rest < length;
    }
    return openSyncRecord(*m_cipher, {m_device, at.segment, at.record}, file.read(length)).result
        != OpenedSyncRecord::Result::opened;
}

bool SyncLogWriter::sealedUnderAnotherKey(quint32 segment)
{
    QFile file(SyncFolder::segmentPath(m_folder, segment));
    if (!file.open(QIODevice::ReadOnly)) {
        return false;
    }
    const QByteArray prefix = file.read(SyncRecordFormat::prefixLength);
    if (prefix.size() < SyncRecordFormat::prefixLength) {
        return false;
    }
    const qint64 length = qFromBigEndian<quint32>(prefix.constData());
    if (length > SyncRecordFormat::maxSealedLength || file.size() - file.pos() < length) {
        return false;
    }
    return openSyncRecord(*m_cipher, {m_device, segment, 0}, file.read(length)).result
        == OpenedSyncRecord::Result::unauthenticated;
}

void SyncLogWriter::takeStock(const std::vector<SyncLogReader::Read>& records)
{
    QSet<QByteArray> entries;
    m_highestClock = 0;
    for (const SyncLogReader::Read& read : records) {
        entries.insert(read.record.entryId);
        m_highestClock = std::max(m_highestClock, read.record.stamp.clock);
    }
    m_count = qint64(records.size());
    // A journal of many entries would otherwise be compacted again at every append.
    m_compactAbove = std::max(compactionThreshold, 2 * qint64(entries.size()));
}

bool SyncLogWriter::append(const SyncRecord& record, QString* error)
{
    if (!m_open && !open(error)) {
        return false;
    }
    return appendFlagged(record, 0, true, error);
}

bool SyncLogWriter::append(const std::vector<SyncRecord>& records, QString* error)
{
    if (!m_open && !open(error)) {
        return false;
    }
    for (const SyncRecord& record : records) {
        if (!appendFlagged(record, 0, false, error)) {
            return false;
        }
    }
    return m_fd < 0 || ::fdatasync(m_fd) == 0 || fail(error, systemReason());
}

bool SyncLogWriter::appendFlagged(const SyncRecord& record, quint8 flags, bool durable, QString* error)
{
    if (m_startsSet) {
        flags |= SyncRecordFlag::startsSet;
    }
    const SyncPosition position{m_device, m_next.segment, m_next.record};
    QByteArray framed = sealSyncRecord(*m_cipher, position, record, flags);
    if (!framed.isEmpty() && qint64(m_next.offset) + framed.size() >= segmentTarget) {
        flags |= SyncRecordFlag::endsSegment;
        framed = sealSyncRecord(*m_cipher, position, record, flags);
    }
    if (framed.isEmpty()) {
        return fail(error, QCoreApplication::translate("wendle::SyncLogWriter", "the entry could not be sealed"));
    }
    bool created = false;
    if (m_fd < 0 || m_fdSegment != m_next.segment) {
        closeSegment();
        const QByteArray path = QFile::encodeName(SyncFolder::segmentPath(m_folder, m_next.segment));
        created = ::access(path.constData(), F_OK) != 0;
        m_fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (m_fd < 0) {
            return fail(error, systemReason());
        }
        m_fdSegment = m_next.segment;
        // Owner-only like everything Wendle writes, though the records are sealed; a share may not have modes.
        static_cast<void>(::fchmod(m_fd, 0600));
    }
    qint64 written = 0;
    while (written < framed.size()) {
        const ssize_t n = ::pwrite(m_fd, framed.constData() + written, std::size_t(framed.size() - written),
                                   off_t(m_next.offset + written));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        written += n;
    }
    const bool ends = flags & SyncRecordFlag::endsSegment;
    if (written < framed.size() || ((durable || ends) && ::fdatasync(m_fd) != 0)) {
        const QString reason = systemReason();
        // Nothing of a record that failed stays behind, so the next one takes its place.
        static_cast<void>(::ftruncate(m_fd, off_t(m_next.offset)));
        return fail(error, reason);
    }
    if (created && !syncFolder(error)) {
        return false;
    }
    ++m_count;
    m_highestClock = std::max(m_highestClock, record.stamp.clock);
    m_startsSet = false;
    if (ends) {
        closeSegment();
        m_next = {m_next.segment + 1, 0, 0};
    } else {
        m_next.offset += quint64(framed.size());
        ++m_next.record;
    }
    return true;
}

bool SyncLogWriter::compact(QString* error)
{
    if (!m_open && !open(error)) {
        return false;
    }
    const SyncLogReader::Pass pass = m_reader.read({m_base, 0, 0});
    if (pass.stop != SyncLogReader::Stop::caughtUp) {
        return fail(error,
                    QCoreApplication::translate("wendle::SyncLogWriter", "%1 does not read back")
                        .arg(SyncFolder::segmentName(pass.cursor.segment)));
    }
    return writeSet(pass.records, error);
}

bool SyncLogWriter::writeSet(const std::vector<SyncLogReader::Read>& records, QString* error)
{
    QHash<QByteArray, const SyncRecord*> latest;
    for (const SyncLogReader::Read& read : records) {
        const SyncRecord*& kept = latest[read.record.entryId];
        if (!kept || !(read.record.stamp < kept->stamp)) {
            kept = &read.record;
        }
    }
    std::vector<const SyncRecord*> set(latest.begin(), latest.end());
    std::sort(set.begin(), set.end(), [](const SyncRecord* a, const SyncRecord* b) { return a->stamp < b->stamp; });
    const std::vector<quint32> old = SyncFolder::segments(m_folder);
    closeSegment();
    m_base = old.empty() ? 1 : old.back() + 1;
    m_next = {m_base, 0, 0};
    m_startsSet = true;
    m_count = 0;
    // Until the set is whole and the old segments gone, the next append opens the log again, finishing the work.
    m_open = false;
    for (std::size_t i = 0; i < set.size(); ++i) {
        if (!appendFlagged(*set[i], i + 1 == set.size() ? SyncRecordFlag::endsCompaction : 0, false, error)) {
            return false;
        }
    }
    if (m_fd >= 0 && ::fdatasync(m_fd) != 0) {
        return fail(error, systemReason());
    }
    if (!syncFolder(error) || !removeSegments(old, error)) {
        return false;
    }
    m_compactAbove = std::max(compactionThreshold, 2 * m_count);
    m_open = true;
    return true;
}

bool SyncLogWriter::removeSegments(const std::vector<quint32>& numbers, QString* error)
{
    // From the highest down: the segments left are then always the start of the old set, which readers can finish.
    for (auto number = numbers.rbegin(); number != numbers.rend(); ++number) {
        if (::unlink(QFile::encodeName(SyncFolder::segmentPath(m_folder, *number)).constData()) != 0
            && errno != ENOENT) {
            return fail(error, systemReason());
        }
    }
    return numbers.empty() || syncFolder(error);
}

bool SyncLogWriter::truncateSegment(quint32 segment, quint64 length, QString* error)
{
    const int fd = ::open(QFile::encodeName(SyncFolder::segmentPath(m_folder, segment)).constData(),
                          O_WRONLY | O_CLOEXEC | O_NOFOLLOW);
    const bool cut = fd >= 0 && ::ftruncate(fd, off_t(length)) == 0 && ::fsync(fd) == 0;
    const QString reason = systemReason();
    if (fd >= 0) {
        ::close(fd);
    }
    return cut || fail(error, reason);
}

bool SyncLogWriter::syncFolder(QString* error)
{
    const int fd = ::open(QFile::encodeName(m_folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const bool synced = fd >= 0 && ::fsync(fd) == 0;
    const QString reason = systemReason();
    if (fd >= 0) {
        ::close(fd);
    }
    return synced || fail(error, reason);
}

void SyncLogWriter::closeSegment()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

} // namespace wendle
