// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "journal/Preferences.h"
#include "reminders/ReminderPlanner.h"

#include <QObject>
#include <QSet>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

namespace wendle {

class Clock;
class NotificationCenter;

/**
 * Keeps the pending reminders of the notification centre in step with the reminder settings and the written
 * days: each accepted change re-plans the next 21 days and hands one one-shot request per reminder to the
 * centre, which delivers them whether or not Wendle runs.
 *
 * Runs happen one after another, each reading the settings as they are when it needs them, so after the last
 * run the pending reminders are those of the latest settings and days.
 *
 * An enabled run removes the pending reminders only once the centre grants permission, so they are never lost
 * to a centre that is not up yet (at login); such a run is made again when the centre says it is available.
 */
class ReminderScheduler : public QObject
{
    Q_OBJECT

public:
    static inline const QString reminderIdentifierPrefix = QStringLiteral("wendle.reminder.");
    /** Made by earlier versions; removed on every run, never created. */
    static inline const QString legacyReminderIdentifier = QStringLiteral("wendle.daily-reminder");
    static inline const QString notificationTitle = QStringLiteral("wendle");
    /** In the user's language when the reminder is planned: the agent shows it as it was handed over. */
    static QString notificationBody() { return tr("Your prompt for today is waiting."); }

    /** A scheduler whose reminders go to `center`; `clock` says when "now" is. */
    explicit ReminderScheduler(NotificationCenter& center, const Clock& clock, QObject* parent = nullptr);
    /** A scheduler with a centre of its own that only remembers (for screens shown without the agent). */
    explicit ReminderScheduler(QObject* parent = nullptr);
    ~ReminderScheduler() override;

    /** Stores the settings and starts a run, whether or not anything changed. */
    void configure(bool enabled, int hour, int minute, bool nudgeEnabled, int nudgeHour, int nudgeMinute);
    /** The six values last handed to `configure`. */
    ReminderPreferences configuration() const { return m_configuration; }

    /** Stores the written days and starts a run, unless they are the ones already held. */
    void updateCompletedDays(const QSet<QString>& days);
    QSet<QString> completedDays() const { return m_completedDays; }

    bool enabled() const { return m_enabled; }
    ReminderPlanner::Time primary() const { return m_primary; }
    std::optional<ReminderPlanner::Time> nudge() const { return m_nudge; }

Q_SIGNALS:
    /** A line was written to the system log. */
    void logged(const QString& line);
    /** A run has finished; others may be waiting. */
    void runFinished();

private:
    void watchCenter();
    void startRun();
    void runNext();
    /** Removes this scheduler's requests among `pending`; how many there were. */
    qsizetype removeOwnRequests(const QStringList& pending);
    void planAndAdd();
    void countPending();
    void finishRun();
    void log(const QString& line);

    std::unique_ptr<NotificationCenter> m_ownCenter;
    NotificationCenter& m_center;
    const Clock& m_clock;

    bool m_enabled = false;
    ReminderPlanner::Time m_primary{QStringLiteral("primary"), 15, 0};
    std::optional<ReminderPlanner::Time> m_nudge;
    QSet<QString> m_completedDays;
    ReminderPreferences m_configuration;

    int m_waitingRuns = 0;
    bool m_running = false;
    bool m_retryWhenAvailable = false;
    std::vector<PlannedReminder> m_planned;
    std::size_t m_unansweredAdds = 0;
};

} // namespace wendle
