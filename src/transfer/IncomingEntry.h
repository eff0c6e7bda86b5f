// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "journal/Calendar.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <optional>

namespace wendle {

struct EntryRecord;

/**
 * The checks an entry from outside (an import or a backup) passes before it may enter the journal. A file can
 * say anything; what the journal keeps must be what Wendle itself would have written: a real day of the user's
 * calendar that is not in the future, and a prompt id of the kind the prompt bank uses.
 */
class IncomingEntry
{
public:
    /** Judges days against `calendar`, with today the journal day of `now`. */
    IncomingEntry(Calendar calendar, const QDateTime& now);

    /**
     * Why `dayKey` cannot be taken, in a few words for the import preview; nothing when it is exactly
     * "YYYY-MM-DD" naming a real day of the calendar no later than today.
     */
    std::optional<QString> dayKeyRefusal(const QString& dayKey) const;

    /** Why `record` cannot be taken for its day, prompt id or category; nothing when it can. */
    std::optional<QString> refusal(const EntryRecord& record) const;

    /** Prompt ids are 1 to 64 characters of a–z, 0–9 and "-", as in the prompt bank ("freeform" is one). */
    static bool isPromptID(const QString& id);

    /**
     * Categories are 1 to 32 letters a–z. Not only today's six: a category Wendle no longer has still names
     * the writing of its day, and is shown by its nearest label.
     */
    static bool isCategoryRaw(const QString& raw);

    /** The longest prompt id accepted. */
    static constexpr int maxPromptIDLength = 64;

private:
    Calendar m_calendar;
    QDateTime m_todayStart;
};

/** Text read from outside: its bytes decoded as UTF-8, and whether some were not UTF-8 (and were replaced). */
struct DecodedText
{
    QString text;
    bool replacedBytes = false;
};

/** Decodes `bytes` as UTF-8 (a leading byte-order mark dropped), with Windows line endings made line feeds. */
DecodedText decodeIncomingText(const QByteArray& bytes);

/** The same line-ending rule for text that is already decoded. */
QString withLineFeeds(QString text);

/** The preview's words for text that had bytes that are not UTF-8. */
QString replacedBytesNote();

} // namespace wendle
