// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "journal/Calendar.h"
#include "journal/Entry.h"

#include <QDateTime>
#include <QString>

#include <optional>
#include <vector>

namespace wendle {

class EntryKey;

/** How far back a resurfaced entry lies. */
enum class LookBackUnit
{
    month,
    year
};

/** An entry brought back under the editor: "one month ago" or "one year ago", the entry and its text. */
struct ResurfacedItem
{
    QString label;
    const Entry* entry = nullptr;
    QString text;
};

/** The key of the day one month or one year before today (the 31st clamps to the month's last day). */
std::optional<QString> lookBackDayKey(const QString& todayKey, LookBackUnit unit, const Calendar& calendar);

/** The entry's text, or the empty text when its body does not open under `key`. */
QString entryText(const Entry& entry, const EntryKey& key);

/**
 * The item for a day: its entry with the most credited words (the earlier one on a tie), when that entry's
 * text is not empty. No other entry of the day is tried.
 */
std::optional<ResurfacedItem> resurfacedItem(const QString& label, const std::optional<QString>& dayKey,
                                             const std::vector<Entry*>& entries, const EntryKey& key);

/** What resurfaces today: "one month ago", then "one year ago", each only when it exists. */
std::vector<ResurfacedItem> resurfacedItems(const std::vector<Entry*>& entries, const EntryKey& key,
                                            const QDateTime& now, const Calendar& calendar);

} // namespace wendle
