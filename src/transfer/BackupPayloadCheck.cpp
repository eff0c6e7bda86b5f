// SPDX-License-Identifier: GPL-3.0-or-later
#include "transfer/BackupPayloadCheck.h"

#include "transfer/BackupPayload.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <limits>

namespace wendle {

namespace {

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
            m_at += plainJsonRun(m_at, m_end);
            if (m_at == m_end) {
                break;
            }
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

} // namespace wendle
