// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "reminders/NotificationCenter.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <deque>

namespace wendle {

/**
 * The notification centre of the reminder agent (wendle-reminders, org.wendle.Reminders on the session bus).
 * When the agent is not on the bus, it is started, detached, and calls wait for it a few seconds; calls it
 * never answers complete as failed (no pending requests, no permission, not added).
 *
 * It is available again whenever the agent or the desktop's notification server (org.freedesktop.Notifications)
 * takes its name on the bus, as both may come up after Wendle at login.
 */
class AgentNotificationCenter : public QObject, public NotificationCenter
{
    Q_OBJECT

public:
    /** The agent installed beside the running program, else the one on the PATH. */
    static QString defaultAgentProgram();

    AgentNotificationCenter(QDBusConnection bus, QString agentProgram, QObject* parent = nullptr);
    /** Not on a bus yet: calls wait for `connectTo`. */
    explicit AgentNotificationCenter(QString agentProgram, QObject* parent = nullptr);

    /** Reaches the agent over `bus` from now on, with the calls made so far first. */
    void connectTo(QDBusConnection bus);

    void pendingRequestIdentifiers(QObject* context, std::function<void(const QStringList&)> completion) override;
    void removePendingRequests(const QStringList& identifiers) override;
    void requestAuthorization(QObject* context, std::function<void(bool granted)> completion) override;
    void add(const NotificationRequest& request, QObject* context, std::function<void(bool added)> completion) override;
    void whenAvailable(QObject* context, std::function<void()> callback) override;

Q_SIGNALS:
    /** The agent or the notification server has just taken its name. */
    void cameUp();

private:
    /** Sends `call` once the agent is there (or given up on), after the calls before it. */
    void send(QDBusMessage call, QObject* context, std::function<void(const QDBusMessage& reply)> completion);
    void flush();
    /** Sends what waits if the agent is there, else starts it and waits for it a few seconds. */
    void deliverOrStartAgent();

    struct Waiting
    {
        QDBusMessage call;
        QPointer<QObject> context;
        std::function<void(const QDBusMessage&)> completion;
    };

    QDBusConnection m_bus{QString()};
    bool m_connected = false;
    QString m_agentProgram;
    bool m_agentPresent = false;
    std::deque<Waiting> m_waiting;
    QTimer m_giveUp;
};

} // namespace wendle
