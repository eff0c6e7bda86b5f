// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "journal/Calendar.h"

#include <QDateTime>
#include <QSet>
#include <QString>

#include <optional>
#include <vector>

namespace wendle {

/** Columns of the activity heatmap: one per week, oldest on the left, the current week last. */
inline constexpr int heatmapWeeks = 26;

/**
 * The run of written days ending today, or yesterday while today is not yet written (an unwritten today does
 * not break the streak). `todayKey` is the journal day's key; 0 when it does not parse.
 */
qint64 currentStreak(const QSet<QString>& writtenDays, const QString& todayKey, const Calendar& calendar);

/** The longest run of consecutive written days; keys that do not parse are ignored. */
qint64 bestStreak(const QSet<QString>& writtenDays, const Calendar& calendar);

/** Written days in the calendar's week (its own first weekday) containing today, all seven days counted. */
int daysWrittenThisWeek(const QSet<QString>& writtenDays, const QString& todayKey, const Calendar& calendar);

/** The shade of a day's word total: 0 for none, 1 below 20, 2 below 60, 3 below 150, 4 from 150. */
int heatmapLevel(qint64 words);

/**
 * The day a heatmap cell shows, or nothing for a blank cell. Rows run Sunday (0) to Saturday (6) whatever the
 * first weekday; column 25 holds the current week, and its cells after today are blank. `startOfToday` is the
 * start of the current calendar day (not the journal day), `todayWeekdayIndex` its weekday, 0 for Sunday.
 */
std::optional<QDateTime> heatmapCellDate(int column, int row, const QDateTime& startOfToday, int todayWeekdayIndex,
                                         const Calendar& calendar);

/**
 * The day keys of every heatmap cell, index column × 7 + row, nothing for blank cells: `calendarDayKey` of
 * `heatmapCellDate` for each, computed at once.
 */
std::vector<std::optional<QString>> heatmapDayKeys(const QDateTime& startOfToday, int todayWeekdayIndex,
                                                   const Calendar& calendar);

namespace detail {
// The same figures reckoned day by day with the calendar's own arithmetic. Used for calendars whose days are
// not plain Gregorian days; exposed so tests can hold the fast figures against them.
qint64 currentStreakByCalendar(const QSet<QString>& writtenDays, const QString& todayKey, const Calendar& calendar);
qint64 bestStreakByCalendar(const QSet<QString>& writtenDays, const Calendar& calendar);
int daysWrittenThisWeekByCalendar(const QSet<QString>& writtenDays, const QString& todayKey, const Calendar& calendar);
} // namespace detail

} // namespace wendle
