// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QString>

#include <optional>

namespace wendle {

struct EntryRecord;
struct BackupDisplacedBody;
struct BackupRecord;
struct BackupVersion;

/**
 * How many bytes from `at` on JSON carries as they are, with no escape: printable ASCII other than '"' and '\\'.
 * Looked at eight at a time, so the long runs of plain text in a payload cost little to write or check.
 */
qsizetype plainJsonRun(const char* at, const char* end);

/**
 * Writes a backup's payload record by record, straight into the bytes of the file that will hold it, as compact
 * JSON with every object's keys sorted: byte for byte what a QJsonDocument of the same contents writes, without
 * building one. Records go in the payload's order: bodies kept aside, then entries, then versions. The plain
 * texts pass through memory that is wiped whenever it is let go, and `wipe` clears what was written.
 */
class BackupPayloadWriter
{
public:
    /** Writes after `room` bytes left for the header; `expected` is the payload's likely length, when known. */
    explicit BackupPayloadWriter(qsizetype room, qsizetype expected = 0);
    ~BackupPayloadWriter();
    BackupPayloadWriter(const BackupPayloadWriter&) = delete;
    BackupPayloadWriter& operator=(const BackupPayloadWriter&) = delete;

    void addDisplaced(const BackupDisplacedBody& body);
    void addEntry(const BackupRecord& entry);
    void addVersion(const BackupVersion& version);
    /**
     * The same records with their text given as the UTF-8 it was sealed as (nothing: carried as `sealed`), so a
     * text is never decoded only to be encoded again; bytes that are not plain UTF-8 are written as
     * `decodeEntryText` reads them. `fields.text` is not used.
     */
    void addEntry(const EntryRecord& fields, std::optional<QByteArrayView> utf8, const QByteArray& sealed);
    void addVersion(int entryIndex, const QDateTime& savedAt, qint64 wordCount, std::optional<QByteArrayView> utf8,
                    const QByteArray& sealed);
    /**
     * Ends the payload and hands over the whole buffer, header room first, with room for the seal's tag left in
     * its capacity. `versions` is absent when none was added, so a backup without them is written as it was
     * before they existed.
     */
    QByteArray finish();
    /** The payload's length so far. */
    qsizetype payloadLength() const { return m_bytes.size() - m_room; }

private:
    enum class Section
    {
        displaced,
        entries,
        versions,
    };

    void enter(Section section);
    void key(const char* name);
    void number(const char* name, qint64 value);
    void text(const QString& text);
    /** Writes `utf8` as `text` would write its decoded text; false, having written nothing, if it is not plain UTF-8.
     */
    [[nodiscard]] bool utf8Text(QByteArrayView utf8);
    void sealed(const QByteArray& body);
    void sealedOrText(const std::optional<QString>& text, const QByteArray& body);
    void sealedOrUtf8(std::optional<QByteArrayView> utf8, const QByteArray& body);
    void beginEntry(const EntryRecord& record);
    void beginVersion(int entryIndex, const QDateTime& savedAt);
    void endRecord(qint64 words);
    /** Makes room for `length` more bytes. */
    void reserve(qsizetype length);
    void append(const char* bytes, qsizetype length);
    void append(char byte) { append(&byte, 1); }

    QByteArray m_bytes;
    qsizetype m_room;
    Section m_section = Section::displaced;
    bool m_first = true;
};

} // namespace wendle
