// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "journal/Calendar.h"

#include <QDateTime>
#include <QSet>
#include <QString>

#include <vector>

namespace wendle {

/** One reminder to be posted: its request identifier, its day and the clock time it was asked for. */
struct PlannedReminder
{
    QString identifier;
    int year;
    int month;
    int day;
    int hour;
    int minute;

    bool operator==(const PlannedReminder&) const = default;
};

/** Plans one-shot reminders over the coming days. */
namespace ReminderPlanner {

/** A reminder slot: "primary" for the daily reminder, "nudge" for the evening nudge. */
struct Time
{
    QString kind;
    int hour;
    int minute;

    bool operator==(const Time&) const = default;
};

/** Today and the 20 days after it. */
inline constexpr int planningHorizonDays = 21;

/**
 * For each of the next `planningHorizonDays` plain calendar days (from midnight, no 03:00 shift) that is not
 * in `completedDays`, one reminder per time, in `times` order, for those whose moment is strictly later than
 * `now`. A clock time that a day skips is tested at the next moment that exists, a repeated one at its first
 * occurrence; the reminder keeps the hour and minute asked for. Identifiers are prefix + day key + "." + kind.
 * A time whose hour is not 0–23 or whose minute is not 0–59 is never planned.
 */
std::vector<PlannedReminder> plan(const QDateTime& now, const QSet<QString>& completedDays,
                                  const std::vector<Time>& times, const QString& identifierPrefix,
                                  const Calendar& calendar);

} // namespace ReminderPlanner

} // namespace wendle
