// SPDX-License-Identifier: GPL-3.0-or-later
#include "reminders/ReminderScheduler.h"

namespace wendle {

ReminderScheduler::ReminderScheduler(QObject* parent)
    : QObject(parent)
{
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
