// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "reminders/agent/DesktopNotifications.h"
#include "reminders/agent/ReminderQueue.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDateTime>
#include <QFileSystemWatcher>
#include <QObject>
#include <QTimer>

namespace wendle {

/**
 * The reminder agent's service, org.wendle.Reminders: keeps the queue of one-shot requests and shows each
 * through the desktop's notification server when its wall-clock moment comes, in the user's current calendar
 * and time zone.
 *
 * The clock is looked at every 30 seconds, when the machine wakes and when the time zone changes, so sleep
 * and clock jumps are caught: a request missed by less than 12 hours is shown once, an older one dropped.
 *
 * Changes reach the file within 50 ms, and at the latest when the agent ends. `AddRequest` is answered only
 * once the queue holding the request is on disk (a burst of them shares one write), and with an error when it
 * could not be written, when the queue is full, or when the queue's file could not be read and may not be
 * written over.
 */
class ReminderAgent : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.wendle.Reminders")

public:
    static inline const QString serviceName = QStringLiteral("org.wendle.Reminders");
    static inline const QString objectPath = QStringLiteral("/org/wendle/Reminders");

    ReminderAgent(QDBusConnection sessionBus, QDBusConnection systemBus, ReminderQueue& queue,
                  QObject* parent = nullptr);
    /** Writes what is not written yet. */
    ~ReminderAgent() override;

    /** Shows what is due, drops what is too old, and sets the timer for what comes next. */
    void check();

public Q_SLOTS:
    Q_SCRIPTABLE QStringList PendingRequestIdentifiers();
    Q_SCRIPTABLE void RemovePendingRequests(const QStringList& identifiers);
    /** Granted while a notification server answers. */
    Q_SCRIPTABLE bool RequestAuthorization();
    Q_SCRIPTABLE void AddRequest(const QString& identifier, const QString& title, const QString& body, int year,
                                 int month, int day, int hour, int minute);

private Q_SLOTS:
    void onPrepareForSleep(bool sleeping);

private:
    /** Writes the queue soon: a burst of changes (a whole re-plan) costs one write to disk. */
    void queueChanged();
    /** Writes the queue now, and answers the calls that waited for it. */
    void save();
    void watchTimeZone();
    void openWendle(const QString& activationToken);

    QDBusConnection m_bus;
    ReminderQueue& m_queue;
    DesktopNotifications m_notifications;
    QTimer m_timer;
    QDateTime m_nextCheck;
    QTimer m_saveTimer;
    /** `AddRequest` calls answered by the next write. */
    QList<QDBusMessage> m_unanswered;
    QFileSystemWatcher m_timeZoneWatcher;
};

} // namespace wendle
