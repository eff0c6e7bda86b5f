// SPDX-License-Identifier: GPL-3.0-or-later
#include "reminders/ReminderScheduler.h"

namespace wendle {

ReminderScheduler::ReminderScheduler(QObject* parent)
    : QObject(parent)
{
}

void ReminderScheduler::configure(bool enabled, int hour, int minute, bool nudgeEnabled, int nudgeHour, int nudgeMinute)
{
    m_configuration = {enabled, hour, minute, nudgeEnabled, nudgeHour, nudgeMinute};
}

void ReminderScheduler::updateCompletedDays(const QSet<QString>& days)
{
    if (days == m_completedDays) {
        return;
    }
    m_completedDays = days;
    Q_EMIT completedDaysChanged();
}

} // namespace wendle
