// SPDX-License-Identifier: GPL-3.0-or-later
// wendle-reminders: delivers Wendle's reminders at their time, whether or not Wendle runs.
#include "reminders/agent/ReminderAgent.h"
#include "reminders/agent/ReminderQueue.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QSocketNotifier>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <sys/socket.h>
#include <syslog.h>
#include <unistd.h>

using namespace wendle;

namespace {

int g_signalPipe[2] = {-1, -1};

void onTerminationSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(g_signalPipe[0], &byte, 1);
}

/** Ends the event loop on SIGTERM, SIGINT or SIGHUP, so the queue is written before the agent goes. */
void quitOnTerminationSignals(QCoreApplication& app)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signalPipe) != 0) {
        return;
    }
    auto* notifier = new QSocketNotifier(g_signalPipe[1], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, [] { QCoreApplication::quit(); });
    struct sigaction action
    {
    };
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        sigaction(signal, &action, nullptr);
    }
}

} // namespace

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
    QByteArray problem;
    if (!queue.movedAsideTo().isEmpty()) {
        problem = "the reminder queue could not be read; it was kept as " + queue.movedAsideTo().toUtf8();
    } else if (!queue.unreadable().isEmpty()) {
        problem = "the reminder queue " + ReminderQueue::defaultPath().toUtf8() + " cannot be opened ("
            + queue.unreadable().toUtf8() + "); it is left as it is, and no reminder is taken";
    }
    if (!problem.isEmpty()) {
        openlog("wendle-reminders", LOG_PID, LOG_USER);
        syslog(LOG_WARNING, "%s", problem.constData());
        std::fprintf(stderr, "wendle-reminders: %s\n", problem.constData());
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
    quitOnTerminationSignals(app);
    return app.exec();
}
