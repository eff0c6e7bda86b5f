// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "journal/Calendar.h"
#include "journal/Entry.h"

#include <QHash>
#include <QSet>
#include <QString>

#include <vector>

namespace wendle {

/** Whether the entry belongs to the journal day of `now`. */
bool isTodayEntry(const Entry& entry, const QDateTime& now, const Calendar& calendar);

/** The credited words of every day that has entries, summed over its entries. */
QHash<QString, qint64> wordsByDay(const std::vector<Entry*>& entries);

/** The days whose entries together are credited with at least `completionThreshold` words. */
QSet<QString> completedDayKeys(const std::vector<Entry*>& entries);

} // namespace wendle
