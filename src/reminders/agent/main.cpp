// SPDX-License-Identifier: GPL-3.0-or-later
// wendle-reminders: delivers Wendle's reminders at their time, whether or not Wendle runs.
#include "reminders/agent/ReminderAgent.h"
#include "reminders/agent/ReminderQueue.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QTimer>

#include <cstdio>
#include <syslog.h>

using namespace wendle;

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("wendle-reminders"));

    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        std::fprintf(stderr, "wendle-reminders: no session bus\n");
        return 1;
    }
    ReminderQueue queue(ReminderQueue::defaultPath());
    ReminderAgent agent(bus, QDBusConnection::systemBus(), queue);
    bus.registerObject(ReminderAgent::objectPath, &agent, QDBusConnection::ExportScriptableSlots);
    const auto claimed
        = bus.interface()->registerService(ReminderAgent::serviceName, QDBusConnectionInterface::DontQueueService,
                                           QDBusConnectionInterface::DontAllowReplacement);
    if (claimed.value() != QDBusConnectionInterface::ServiceRegistered) {
        // One agent per session: the running one keeps its queue.
        return 0;
    }
    // Calls that arrive meanwhile wait in the bus until the event loop runs.
    queue.load();
    if (!queue.movedAsideTo().isEmpty()) {
        const QByteArray line = "the reminder queue could not be read; it was kept as " + queue.movedAsideTo().toUtf8();
        openlog("wendle-reminders", LOG_PID, LOG_USER);
        syslog(LOG_WARNING, "%s", line.constData());
        std::fprintf(stderr, "wendle-reminders: %s\n", line.constData());
    }
    agent.check();

    // Without a bus nobody can reach the agent or be notified: end with the session.
    QTimer busWatch;
    QObject::connect(&busWatch, &QTimer::timeout, &app, [&bus] {
        if (!bus.isConnected()) {
            QCoreApplication::quit();
        }
    });
    busWatch.start(5000);
    return app.exec();
}
