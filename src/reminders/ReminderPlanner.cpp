// SPDX-License-Identifier: GPL-3.0-or-later
#include "reminders/ReminderPlanner.h"

namespace wendle::ReminderPlanner {

std::vector<PlannedReminder> plan(const QDateTime& now, const QSet<QString>& completedDays,
                                  const std::vector<Time>& times, const QString& identifierPrefix,
                                  const Calendar& calendar)
{
    std::vector<PlannedReminder> planned;
    if (times.empty()) {
        return planned;
    }
    const QDateTime start = calendar.startOfDay(now);
    for (int offset = 0; offset < planningHorizonDays; ++offset) {
        const std::optional<QDateTime> date = calendar.adding(Calendar::Unit::day, offset, start);
        if (!date) {
            continue;
        }
        const DateComponents c = calendar.components(*date);
        const QString key = QString::asprintf("%04d-%02d-%02d", c.year, c.month, c.day);
        if (completedDays.contains(key)) {
            continue;
        }
        for (const Time& time : times) {
            // A hand-edited setting out of range would otherwise roll over into some other time.
            if (time.hour < 0 || time.hour > 23 || time.minute < 0 || time.minute > 59) {
                continue;
            }
            const std::optional<QDateTime> firing = calendar.atTime(*date, time.hour, time.minute);
            if (firing && *firing > now) {
                planned.push_back(
                    {identifierPrefix + key + u'.' + time.kind, c.year, c.month, c.day, time.hour, time.minute});
            }
        }
    }
    return planned;
}

} // namespace wendle::ReminderPlanner
