// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "journal/Calendar.h"
#include "journal/Entry.h"
#include "journal/Preferences.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace wendle {

class EntryKey;

/** The year and month of a day key as written in it ("2025-04" of "2025-04-17"), or nothing. */
std::optional<QString> monthKeyOf(const QString& dayKey);

/** The calendar month before a day's month: its name (stand-alone, lower case), length and day keys. */
struct PreviousMonth
{
    QString monthName;
    int dayCount;
    QStringList dayKeys;
};

std::optional<PreviousMonth> previousMonthDays(const QString& dayKey, const Calendar& calendar);

/** The figures and texts of a month recap card. */
struct RecapData
{
    QString monthLabel;
    qint64 daysWritten = 0;
    qint64 dayCount = 0;
    qint64 totalWords = 0;
    std::optional<QString> line;
    QString beginLabel;
    /** The preference that records the card was dismissed: "recap.shown." + the journal month's key. */
    QString flagKey;

    bool operator==(const RecapData&) const = default;
};

/**
 * The recap of the month before the current journal month, when one is due: not yet dismissed, and the month
 * has entries. Nothing otherwise (the caller then keeps what it shows).
 */
std::optional<RecapData> makeRecap(const std::vector<Entry*>& entries, const EntryKey& key, const QDateTime& now,
                                   const Calendar& calendar, const Preferences& preferences);

/**
 * The first line of a text that has more than blanks, unchanged. Lines end at any newline (LF, VT, FF, CR,
 * CRLF, NEL, LS, PS); blanks are space separators and tabs.
 */
std::optional<QString> firstNonBlankLine(const QString& text);

} // namespace wendle
