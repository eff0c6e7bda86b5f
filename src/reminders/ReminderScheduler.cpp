// SPDX-License-Identifier: GPL-3.0-or-later
#include "reminders/ReminderScheduler.h"

#include "journal/Calendar.h"
#include "journal/Clock.h"
#include "journal/SystemLog.h"
#include "reminders/InMemoryNotificationCenter.h"
#include "reminders/NotificationCenter.h"

#include <syslog.h>

namespace wendle {

ReminderScheduler::ReminderScheduler(NotificationCenter& center, const Clock& clock, QObject* parent)
    : QObject(parent)
    , m_center(center)
    , m_clock(clock)
{
    watchCenter();
}

ReminderScheduler::ReminderScheduler(QObject* parent)
    : QObject(parent)
    , m_ownCenter(std::make_unique<InMemoryNotificationCenter>())
    , m_center(*m_ownCenter)
    , m_clock(systemClock())
{
    watchCenter();
}

ReminderScheduler::~ReminderScheduler() = default;

void ReminderScheduler::watchCenter()
{
    m_center.whenAvailable(this, [this] {
        if (m_retryWhenAvailable) {
            m_retryWhenAvailable = false;
            startRun();
        }
    });
}

void ReminderScheduler::configure(bool enabled, int hour, int minute, bool nudgeEnabled, int nudgeHour, int nudgeMinute)
{
    m_configuration = {enabled, hour, minute, nudgeEnabled, nudgeHour, nudgeMinute};
    m_enabled = enabled;
    m_primary = {QStringLiteral("primary"), hour, minute};
    m_nudge = nudgeEnabled ? std::optional<ReminderPlanner::Time>({QStringLiteral("nudge"), nudgeHour, nudgeMinute})
                           : std::nullopt;
    startRun();
}

void ReminderScheduler::updateCompletedDays(const QSet<QString>& days)
{
    if (days == m_completedDays) {
        return;
    }
    m_completedDays = days;
    startRun();
}

void ReminderScheduler::startRun()
{
    ++m_waitingRuns;
    QMetaObject::invokeMethod(this, &ReminderScheduler::runNext, Qt::QueuedConnection);
}

void ReminderScheduler::runNext()
{
    // A run that starts while another waits on the centre goes after it, so the last one plans from the
    // latest settings and days.
    if (m_running || m_waitingRuns == 0) {
        return;
    }
    --m_waitingRuns;
    m_running = true;
    m_retryWhenAvailable = false;
    if (!m_enabled) {
        m_center.pendingRequestIdentifiers(this, [this](const QStringList& pending) {
            log(QStringLiteral("Wendle reminder: disabled, %1 pending removed").arg(removeOwnRequests(pending)));
            finishRun();
        });
        return;
    }
    // Permission first: the pending reminders stay until new ones can be added in their place.
    m_center.requestAuthorization(this, [this](bool granted) {
        if (!granted) {
            log(QStringLiteral("Wendle reminder: notification permission not granted"));
            m_retryWhenAvailable = true;
            finishRun();
            return;
        }
        m_center.pendingRequestIdentifiers(this, [this](const QStringList& pending) {
            removeOwnRequests(pending);
            planAndAdd();
        });
    });
}

qsizetype ReminderScheduler::removeOwnRequests(const QStringList& pending)
{
    QStringList own;
    for (const QString& identifier : pending) {
        if (identifier.startsWith(reminderIdentifierPrefix) || identifier == legacyReminderIdentifier) {
            own << identifier;
        }
    }
    if (!own.isEmpty()) {
        m_center.removePendingRequests(own);
    }
    return own.size();
}

void ReminderScheduler::planAndAdd()
{
    std::vector<ReminderPlanner::Time> times{m_primary};
    if (m_nudge) {
        times.push_back(*m_nudge);
    }
    m_planned
        = ReminderPlanner::plan(m_clock.now(), m_completedDays, times, reminderIdentifierPrefix, Calendar::current());
    if (m_planned.empty()) {
        countPending();
        return;
    }
    // All at once, so the centre may store them together; the count waits for the last answer. A request the
    // centre refuses is dropped, and the count shows the shortfall.
    m_unansweredAdds = m_planned.size();
    for (const PlannedReminder& reminder : m_planned) {
        const NotificationRequest request{reminder.identifier, notificationTitle, notificationBody(), reminder.year,
                                          reminder.month,      reminder.day,      reminder.hour,    reminder.minute};
        m_center.add(request, this, [this](bool) {
            if (--m_unansweredAdds == 0) {
                countPending();
            }
        });
    }
}

void ReminderScheduler::countPending()
{
    m_center.pendingRequestIdentifiers(this, [this](const QStringList& pending) {
        const auto own = std::count_if(pending.begin(), pending.end(), [](const QString& identifier) {
            return identifier.startsWith(reminderIdentifierPrefix);
        });
        log(QStringLiteral("Wendle reminder: planned %1 one-shot reminders (completed days: %2, pending now: %3)")
                .arg(m_planned.size())
                .arg(m_completedDays.size())
                .arg(own));
        finishRun();
    });
}

void ReminderScheduler::finishRun()
{
    m_running = false;
    m_planned.clear();
    Q_EMIT runFinished();
    if (m_waitingRuns > 0) {
        QMetaObject::invokeMethod(this, &ReminderScheduler::runNext, Qt::QueuedConnection);
    }
}

void ReminderScheduler::log(const QString& line)
{
    logToSystem(LOG_NOTICE, line);
    Q_EMIT logged(line);
}

} // namespace wendle
