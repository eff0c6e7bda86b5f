// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

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

    /** The days that are written; reminders are never planned for them. */
    void updateCompletedDays(const QSet<QString>& days);
    QSet<QString> completedDays() const { return m_completedDays; }

Q_SIGNALS:
    /** The set of written days changed. */
    void completedDaysChanged();

private:
    QSet<QString> m_completedDays;
};

} // namespace wendle
