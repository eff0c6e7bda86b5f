// SPDX-License-Identifier: GPL-3.0-or-later
#include "journal/WrittenDays.h"

#include "journal/DayKey.h"
#include "journal/WordCount.h"

namespace wendle {

bool isTodayEntry(const Entry& entry, const QDateTime& now, const Calendar& calendar)
{
    return entry.dayKey() == journalDayKey(now, calendar);
}

QHash<QString, qint64> wordsByDay(const std::vector<Entry*>& entries)
{
    QHash<QString, qint64> totals;
    for (const Entry* entry : entries) {
        totals[entry->dayKey()] += entry->creditedWords();
    }
    return totals;
}

QSet<QString> completedDayKeys(const std::vector<Entry*>& entries)
{
    QSet<QString> days;
    const QHash<QString, qint64> totals = wordsByDay(entries);
    for (auto it = totals.constBegin(); it != totals.constEnd(); ++it) {
        if (it.value() >= completionThreshold) {
            days.insert(it.key());
        }
    }
    return days;
}

} // namespace wendle
