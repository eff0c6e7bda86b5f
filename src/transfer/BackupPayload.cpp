// SPDX-License-Identifier: GPL-3.0-or-later
#include "transfer/BackupPayload.h"

#include "journal/AesGcm.h"
#include "journal/LockedBuffer.h"
#include "transfer/BackupFile.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <limits>

namespace wendle {

namespace {

constexpr char hexDigits[] = "0123456789abcdef";

bool needsEscape(char16_t byte)
{
    return byte < 0x20 || byte == '"' || byte == '\\';
}

/** Reads what BackupPayloadWriter writes, and nothing else, one byte after another. */
class PayloadScanner
{
public:
    explicit PayloadScanner(QByteArrayView bytes)
        : m_at(bytes.begin())
        , m_end(bytes.end())
    {
    }

    bool eat(char expected)
    {
        if (m_at != m_end && *m_at == expected) {
            ++m_at;
            return true;
        }
        return false;
    }

    bool atEnd() const { return m_at == m_end; }

    bool string(QByteArrayView* read = nullptr)
    {
        if (!eat('"')) {
            return false;
        }
        const char* const start = m_at;
        while (m_at != m_end) {
            const auto byte = static_cast<unsigned char>(*m_at++);
            if (byte == '"') {
                if (read) {
                    *read = QByteArrayView(start, m_at - 1 - start);
                }
                return true;
            }
            if (byte < 0x20) {
                return false;
            }
            if (byte == '\\' && !escape()) {
                return false;
            }
        }
        return false;
    }

    std::optional<qint64> integer()
    {
        const bool negative = eat('-');
        quint64 value = 0;
        int digits = 0;
        for (; m_at != m_end && *m_at >= '0' && *m_at <= '9'; ++m_at) {
            // Nineteen digits always fit; more never come from a qint64.
            if (++digits > 19) {
                return std::nullopt;
            }
            value = 10 * value + quint64(*m_at - '0');
        }
        if (digits == 0 || value > quint64(std::numeric_limits<qint64>::max())) {
            return std::nullopt;
        }
        return negative ? -qint64(value) : qint64(value);
    }

    /** An object of strings and integers; `entry` gets its "entry" value, when it has one. */
    bool record(std::optional<qint64>& entry)
    {
        if (!eat('{')) {
            return false;
        }
        if (eat('}')) {
            return true;
        }
        do {
            QByteArrayView key;
            if (!string(&key) || !eat(':')) {
                return false;
            }
            if (m_at != m_end && *m_at == '"') {
                if (!string()) {
                    return false;
                }
            } else if (const std::optional<qint64> value = integer()) {
                if (key == "entry") {
                    entry = value;
                }
            } else {
                return false;
            }
        } while (eat(','));
        return eat('}');
    }

private:
    bool escape()
    {
        if (m_at == m_end) {
            return false;
        }
        const char kind = *m_at++;
        if (kind != 'u') {
            return std::strchr("\"\\/bfnrt", kind) != nullptr && kind != '\0';
        }
        for (int i = 0; i < 4; ++i) {
            if (m_at == m_end || !std::isxdigit(static_cast<unsigned char>(*m_at++))) {
                return false;
            }
        }
        return true;
    }

    const char* m_at;
    const char* m_end;
};

} // namespace

std::optional<BackupCounts> countWrittenPayload(QByteArrayView payload)
{
    PayloadScanner scan(payload);
    BackupCounts counts;
    qint64 highestEntry = -1;
    bool entriesSeen = false;
    if (!scan.eat('{')) {
        return std::nullopt;
    }
    do {
        QByteArrayView name;
        if (!scan.string(&name) || !scan.eat(':') || !scan.eat('[')) {
            return std::nullopt;
        }
        qsizetype* count = name == "displaced" ? &counts.displaced
            : name == "entries"                ? &counts.entries
            : name == "versions"               ? &counts.versions
                                               : nullptr;
        const bool namesEntries = name != "entries";
        entriesSeen = entriesSeen || !namesEntries;
        if (!count || *count != 0) {
            return std::nullopt;
        }
        if (!scan.eat(']')) {
            do {
                std::optional<qint64> entry;
                if (!scan.record(entry) || (namesEntries && (!entry || *entry < 0))) {
                    return std::nullopt;
                }
                highestEntry = std::max(highestEntry, namesEntries ? *entry : -1);
                ++*count;
            } while (scan.eat(','));
            if (!scan.eat(']')) {
                return std::nullopt;
            }
        }
    } while (scan.eat(','));
    if (!scan.eat('}') || !scan.atEnd() || !entriesSeen || highestEntry >= counts.entries) {
        return std::nullopt;
    }
    return counts;
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
    const QByteArray digits = QByteArray::number(value);
    append(digits.constData(), digits.size());
}

void BackupPayloadWriter::text(const QString& text)
{
    // Encoded straight into the buffer, as the document writer does: UTF-8, with '"', '\\' and control characters
    // escaped, and a lone surrogate (never in a text opened from UTF-8) as a \u escape. At most six bytes a unit.
    reserve(6 * text.size() + 2);
    const qsizetype start = m_bytes.size();
    m_bytes.resize(start + 6 * text.size() + 2);
    char* out = m_bytes.data() + start;
    const auto escape = [&out](char16_t unit) {
        *out++ = '\\';
        *out++ = 'u';
        for (int shift = 12; shift >= 0; shift -= 4) {
            *out++ = hexDigits[(unit >> shift) & 0xf];
        }
    };
    *out++ = '"';
    const char16_t* at = reinterpret_cast<const char16_t*>(text.constData());
    const char16_t* const end = at + text.size();
    while (at != end) {
        const char16_t unit = *at++;
        if (unit < 0x80) {
            if (!needsEscape(unit)) {
                *out++ = char(unit);
                continue;
            }
            *out++ = '\\';
            switch (unit) {
            case u'"':
                *out++ = '"';
                break;
            case u'\\':
                *out++ = '\\';
                break;
            case u'\b':
                *out++ = 'b';
                break;
            case u'\f':
                *out++ = 'f';
                break;
            case u'\n':
                *out++ = 'n';
                break;
            case u'\r':
                *out++ = 'r';
                break;
            case u'\t':
                *out++ = 't';
                break;
            default:
                --out;
                escape(unit);
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
            escape(unit);
        }
    }
    *out++ = '"';
    m_bytes.resize(out - m_bytes.constData());
}

void BackupPayloadWriter::sealedOrText(const std::optional<QString>& opened, const QByteArray& sealed)
{
    if (opened) {
        key("text");
        text(*opened);
    } else {
        key("sealed");
        const QByteArray base64 = sealed.toBase64();
        append('"');
        append(base64.constData(), base64.size());
        append('"');
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
    sealedOrText(std::nullopt, body.cipherBody);
    append('}');
}

void BackupPayloadWriter::addEntry(const BackupRecord& entry)
{
    const EntryRecord& record = entry.record;
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
    key("promptID");
    text(record.promptID);
    append(',');
    sealedOrText(record.text, entry.sealedBody);
    append(',');
    number("words", record.creditedWords);
    append('}');
}

void BackupPayloadWriter::addVersion(const BackupVersion& version)
{
    enter(Section::versions);
    append('{');
    number("at", version.savedAt.toMSecsSinceEpoch());
    append(',');
    number("entry", version.entryIndex);
    append(',');
    sealedOrText(version.text, version.sealedBody);
    append(',');
    number("words", version.wordCount);
    append('}');
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
