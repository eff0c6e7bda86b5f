// SPDX-License-Identifier: GPL-3.0-or-later
#include "transfer/BackupPayload.h"

#include "journal/AesGcm.h"
#include "journal/EntryCrypto.h"
#include "journal/LockedBuffer.h"
#include "journal/SyncId.h"
#include "transfer/BackupFile.h"

#include <algorithm>
#include <charconv>
#include <cstring>

namespace wendle {

namespace {

constexpr char hexDigits[] = "0123456789abcdef";
// The characters JSON escapes by a letter, and those letters.
constexpr char namedEscapes[] = "\"\\\b\f\n\r\t";
constexpr char namedEscapeLetters[] = "\"\\bfnrt";

bool needsEscape(char16_t byte)
{
    return byte < 0x20 || byte == '"' || byte == '\\';
}

/** Writes `unit` as a \\u escape with four lower-case digits, as the document writer does; returns past it. */
char* unicodeEscape(char* out, char16_t unit)
{
    *out++ = '\\';
    *out++ = 'u';
    for (int shift = 12; shift >= 0; shift -= 4) {
        *out++ = hexDigits[(unit >> shift) & 0xf];
    }
    return out;
}

/** Writes the escape of a character below 0x80 that `needsEscape`, as the document writer does. */
char* escaped(char* out, char16_t unit)
{
    const char* const named = std::strchr(namedEscapes, int(unit));
    if (unit == 0 || !named) {
        return unicodeEscape(out, unit);
    }
    *out++ = '\\';
    *out++ = namedEscapeLetters[named - namedEscapes];
    return out;
}

} // namespace

qsizetype plainJsonRun(const char* at, const char* end)
{
    constexpr quint64 ones = 0x0101010101010101;
    constexpr quint64 highs = 0x8080808080808080;
    const auto hasZeroByte = [&](quint64 word) { return ((word - ones) & ~word & highs) != 0; };
    const char* const start = at;
    while (end - at >= 8) {
        quint64 word = 0;
        std::memcpy(&word, at, sizeof word);
        // Any byte with its high bit set, below 0x20, '"' or '\\' ends the run somewhere in these eight.
        if ((word & highs) != 0 || ((word - 0x20 * ones) & highs) != 0 || hasZeroByte(word ^ (ones * '"'))
            || hasZeroByte(word ^ (ones * '\\'))) {
            break;
        }
        at += 8;
    }
    while (at != end && static_cast<unsigned char>(*at) < 0x80 && !needsEscape(char16_t(*at))) {
        ++at;
    }
    return at - start;
}

BackupPayloadWriter::BackupPayloadWriter(qsizetype room, qsizetype expected)
    : m_bytes(room, '\0')
    , m_room(room)
{
    m_bytes.reserve(room + std::max(expected, qsizetype(1) << 16) + qsizetype(AesGcm::tagLength));
    append("{\"displaced\":[", 14);
}

BackupPayloadWriter::~BackupPayloadWriter()
{
    wipeBytes(m_bytes);
}

void BackupPayloadWriter::reserve(qsizetype length)
{
    if (m_bytes.size() + length <= m_bytes.capacity()) {
        return;
    }
    // Grown by hand, so the texts written so far never stay behind in memory given back unwiped.
    QByteArray grown;
    grown.reserve(std::max(2 * m_bytes.capacity(), m_bytes.size() + length));
    grown.append(m_bytes);
    wipeBytes(m_bytes);
    m_bytes.swap(grown);
}

void BackupPayloadWriter::append(const char* bytes, qsizetype length)
{
    reserve(length);
    m_bytes.append(bytes, length);
}

void BackupPayloadWriter::enter(Section section)
{
    if (m_section == section) {
        if (!m_first) {
            append(',');
        }
        m_first = false;
        return;
    }
    static constexpr const char* openings[] = {"", "],\"entries\":[", "],\"versions\":["};
    while (m_section != section) {
        m_section = Section(int(m_section) + 1);
        const char* opening = openings[int(m_section)];
        append(opening, qsizetype(std::strlen(opening)));
    }
    m_first = false;
}

void BackupPayloadWriter::key(const char* name)
{
    append('"');
    append(name, qsizetype(std::strlen(name)));
    append("\":", 2);
}

void BackupPayloadWriter::number(const char* name, qint64 value)
{
    key(name);
    char digits[24];
    const std::to_chars_result written = std::to_chars(std::begin(digits), std::end(digits), value);
    append(digits, written.ptr - digits);
}

void BackupPayloadWriter::text(const QString& text)
{
    // Encoded straight into the buffer, as the document writer does: UTF-8, with '"', '\\' and control characters
    // escaped, and a lone surrogate (never in a text opened from UTF-8) as a \u escape. At most six bytes a unit.
    reserve(6 * text.size() + 2);
    const qsizetype start = m_bytes.size();
    m_bytes.resize(start + 6 * text.size() + 2);
    char* out = m_bytes.data() + start;
    *out++ = '"';
    const auto* at = reinterpret_cast<const char16_t*>(text.constData());
    const char16_t* const end = at + text.size();
    while (at != end) {
        const char16_t unit = *at++;
        if (unit < 0x80) {
            if (needsEscape(unit)) {
                out = escaped(out, unit);
            } else {
                *out++ = char(unit);
            }
        } else if (unit < 0x800) {
            *out++ = char(0xc0 | (unit >> 6));
            *out++ = char(0x80 | (unit & 0x3f));
        } else if (!QChar::isSurrogate(unit)) {
            *out++ = char(0xe0 | (unit >> 12));
            *out++ = char(0x80 | ((unit >> 6) & 0x3f));
            *out++ = char(0x80 | (unit & 0x3f));
        } else if (QChar::isHighSurrogate(unit) && at != end && QChar::isLowSurrogate(*at)) {
            const char32_t point = QChar::surrogateToUcs4(unit, *at++);
            *out++ = char(0xf0 | (point >> 18));
            *out++ = char(0x80 | ((point >> 12) & 0x3f));
            *out++ = char(0x80 | ((point >> 6) & 0x3f));
            *out++ = char(0x80 | (point & 0x3f));
        } else {
            out = unicodeEscape(out, unit);
        }
    }
    *out++ = '"';
    m_bytes.resize(out - m_bytes.constData());
}

bool BackupPayloadWriter::utf8Text(QByteArrayView utf8)
{
    // The bytes go on as they are, escaped as `text` escapes them, as long as each sequence is one that decodes to
    // a character a text can hold; anything else is left to the decoder, and nothing is written here.
    reserve(6 * utf8.size() + 2);
    const qsizetype start = m_bytes.size();
    m_bytes.resize(start + 6 * utf8.size() + 2);
    char* out = m_bytes.data() + start;
    *out++ = '"';
    const auto* at = reinterpret_cast<const unsigned char*>(utf8.data());
    const unsigned char* const end = at + utf8.size();
    const auto continuation = [&](qsizetype offset, unsigned char low = 0x80, unsigned char high = 0xbf) {
        return end - at > offset && at[offset] >= low && at[offset] <= high;
    };
    while (at != end) {
        const qsizetype plain = plainJsonRun(reinterpret_cast<const char*>(at), reinterpret_cast<const char*>(end));
        out = std::copy(at, at + plain, out);
        at += plain;
        if (at == end) {
            break;
        }
        const unsigned char lead = *at;
        int length = 0;
        if (lead < 0x80) {
            if (needsEscape(lead)) {
                out = escaped(out, lead);
            } else {
                *out++ = char(lead);
            }
            ++at;
            continue;
        }
        if (lead >= 0xc2 && lead <= 0xdf) {
            length = continuation(1) ? 2 : 0;
        } else if (lead >= 0xe0 && lead <= 0xef) {
            // No overlong forms, no surrogates, no U+FDD0..U+FDEF nor U+FFFE/U+FFFF.
            const bool second = lead == 0xe0 ? continuation(1, 0xa0)
                : lead == 0xed               ? continuation(1, 0x80, 0x9f)
                                             : continuation(1);
            const bool third = continuation(2);
            const char32_t point
                = second && third ? char32_t((lead & 0x0f) << 12 | (at[1] & 0x3f) << 6 | (at[2] & 0x3f)) : 0;
            length = point && !(point >= 0xfdd0 && point <= 0xfdef) && (point & 0xfffe) != 0xfffe ? 3 : 0;
        } else if (lead >= 0xf0 && lead <= 0xf4) {
            const bool second = lead == 0xf0 ? continuation(1, 0x90)
                : lead == 0xf4               ? continuation(1, 0x80, 0x8f)
                                             : continuation(1);
            const bool rest = continuation(2) && continuation(3);
            length = second && rest && ((at[1] & 0x0f) != 0x0f || (at[2] & 0x3f) != 0x3f || (at[3] & 0x3e) != 0x3e) ? 4
                                                                                                                    : 0;
        }
        if (length == 0) {
            m_bytes.resize(start);
            return false;
        }
        out = std::copy(at, at + length, out);
        at += length;
    }
    *out++ = '"';
    m_bytes.resize(out - m_bytes.constData());
    return true;
}

void BackupPayloadWriter::sealed(const QByteArray& body)
{
    key("sealed");
    const QByteArray base64 = body.toBase64();
    append('"');
    append(base64.constData(), base64.size());
    append('"');
}

void BackupPayloadWriter::sealedOrText(const std::optional<QString>& opened, const QByteArray& body)
{
    if (opened) {
        key("text");
        text(*opened);
    } else {
        sealed(body);
    }
}

void BackupPayloadWriter::sealedOrUtf8(std::optional<QByteArrayView> utf8, const QByteArray& body)
{
    if (!utf8) {
        sealed(body);
        return;
    }
    key("text");
    if (!utf8Text(*utf8)) {
        // Not plain UTF-8 throughout: written as the text it opens to, replacement characters and all.
        text(decodeEntryText(*utf8));
    }
}

void BackupPayloadWriter::addDisplaced(const BackupDisplacedBody& body)
{
    enter(Section::displaced);
    append('{');
    number("at", body.displacedAt.toMSecsSinceEpoch());
    append(',');
    number("entry", body.entryIndex);
    append(',');
    sealed(body.cipherBody);
    append('}');
}

void BackupPayloadWriter::beginEntry(const EntryRecord& record)
{
    enter(Section::entries);
    append('{');
    key("category");
    text(record.categoryRaw);
    append(',');
    number("date", record.date.toMSecsSinceEpoch());
    append(',');
    key("dayKey");
    text(record.dayKey);
    append(',');
    // An entry of an older journal has no id until its first save there gives it one, and carries none until then.
    if (SyncId::isValid(record.globalId)) {
        key("globalID");
        const QByteArray hex = record.globalId.toHex();
        append('"');
        append(hex.constData(), hex.size());
        append("\",", 2);
    }
    key("promptID");
    text(record.promptID);
    append(',');
}

void BackupPayloadWriter::beginVersion(int entryIndex, const QDateTime& savedAt)
{
    enter(Section::versions);
    append('{');
    number("at", savedAt.toMSecsSinceEpoch());
    append(',');
    number("entry", entryIndex);
    append(',');
}

void BackupPayloadWriter::endRecord(qint64 words)
{
    append(',');
    number("words", words);
    append('}');
}

void BackupPayloadWriter::addEntry(const BackupRecord& entry)
{
    beginEntry(entry.record);
    sealedOrText(entry.record.text, entry.sealedBody);
    endRecord(entry.record.creditedWords);
}

void BackupPayloadWriter::addEntry(const EntryRecord& fields, std::optional<QByteArrayView> utf8,
                                   const QByteArray& sealed)
{
    beginEntry(fields);
    sealedOrUtf8(utf8, sealed);
    endRecord(fields.creditedWords);
}

void BackupPayloadWriter::addVersion(const BackupVersion& version)
{
    beginVersion(version.entryIndex, version.savedAt);
    sealedOrText(version.text, version.sealedBody);
    endRecord(version.wordCount);
}

void BackupPayloadWriter::addVersion(int entryIndex, const QDateTime& savedAt, qint64 wordCount,
                                     std::optional<QByteArrayView> utf8, const QByteArray& sealed)
{
    beginVersion(entryIndex, savedAt);
    sealedOrUtf8(utf8, sealed);
    endRecord(wordCount);
}

QByteArray BackupPayloadWriter::finish()
{
    if (m_section == Section::displaced) {
        append("],\"entries\":[", 13);
        m_section = Section::entries;
    }
    append("]}", 2);
    // Room for the seal's tag, made now, so sealing in place never moves the plain text.
    const char tag[AesGcm::tagLength] = {};
    append(tag, qsizetype(sizeof tag));
    m_bytes.chop(qsizetype(sizeof tag));
    QByteArray finished;
    finished.swap(m_bytes);
    return finished;
}

} // namespace wendle
