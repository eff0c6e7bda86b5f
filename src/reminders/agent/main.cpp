// SPDX-License-Identifier: GPL-3.0-or-later
// wendle-reminders: delivers Wendle's reminders at their time, whether or not Wendle runs.
#include "journal/TerminationSignals.h"
#include "journal/UiLanguages.h"
#include "reminders/agent/ReminderAgent.h"
#include "reminders/agent/ReminderQueue.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QLocale>
#include <QTimer>
#include <QTranslator>

#include <cstdio>
#include <syslog.h>

using namespace wendle;

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("wendle-reminders"));
    // A signal ends the event loop, so the queue is written before the agent goes. Made first, so it
    // outlives the agent, which writes the queue as it goes.
    TerminationSignals terminationSignals;
    QObject::connect(&terminationSignals, &TerminationSignals::received, &app, [] { QCoreApplication::quit(); });
    if (!terminationSignals.isWatching()) {
        std::fprintf(stderr, "wendle-reminders: termination signals cannot be watched\n");
    }

    // The notification's button speaks the desktop's language, as Wendle does.
    QTranslator translator;
    for (const QString& language : languagesBeforeEnglish(QLocale::system().uiLanguages())) {
        if (translator.load(QStringLiteral("wendle-reminders_") + language, QStringLiteral(":/i18n"))) {
            QCoreApplication::installTranslator(&translator);
            break;
        }
    }

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
    return app.exec();
}
