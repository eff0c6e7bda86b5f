// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "journal/Preferences.h"

#include <QObject>
#include <QSet>
#include <QString>

namespace wendle {

/**
 * Keeps the pending reminders in step with the written days. It is told the written days after every save
 * and after the first unlock.
 */
class ReminderScheduler : public QObject
{
    Q_OBJECT

public:
    explicit ReminderScheduler(QObject* parent = nullptr);

    /** The reminder preferences: the daily reminder and the evening nudge, each switched and timed. */
    void configure(bool enabled, int hour, int minute, bool nudgeEnabled, int nudgeHour, int nudgeMinute);
    ReminderPreferences configuration() const { return m_configuration; }

    /** The days that are written; reminders are never planned for them. */
    void updateCompletedDays(const QSet<QString>& days);
    QSet<QString> completedDays() const { return m_completedDays; }

Q_SIGNALS:
    /** The set of written days changed. */
    void completedDaysChanged();

private:
    ReminderPreferences m_configuration;
    QSet<QString> m_completedDays;
};

} // namespace wendle
