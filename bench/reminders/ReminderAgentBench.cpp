// SPDX-License-Identifier: GPL-3.0-or-later
// The reminder agent for real: a full re-plan of 42 reminders through it, and what it costs while it waits.
// Run inside scripts/test-session.sh (dunst needs its X display).
#include "journal/Calendar.h"
#include "journal/Clock.h"
#include "reminders/AgentNotificationCenter.h"
#include "reminders/ReminderScheduler.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <benchmark/benchmark.h>

#include <optional>

#include <unistd.h>

using namespace wendle;

namespace {

const QString kService = QStringLiteral("org.wendle.Reminders");

/** The agent on a bus of its own with a notification server, and a queue of its own; all stopped after. */
struct Agent
{
    QTemporaryDir state;
    QProcess busDaemon;
    QProcess notificationServer;
    QProcess process;
    std::optional<QDBusConnection> bus;

    bool start()
    {
        busDaemon.start(QStringLiteral("dbus-daemon"),
                        {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address")});
        if (!busDaemon.waitForReadyRead(5000)) {
            return false;
        }
        const QString address = QString::fromUtf8(busDaemon.readLine()).trimmed();
        bus = QDBusConnection::connectToBus(address, QStringLiteral("bench"));
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), address);
        environment.insert(QStringLiteral("XDG_STATE_HOME"), state.path());
        notificationServer.setProcessEnvironment(environment);
        notificationServer.start(QStringLiteral("dunst"), {});
        process.setProcessEnvironment(environment);
        process.start(QCoreApplication::applicationDirPath() + QStringLiteral("/wendle-reminders"), {});
        for (int i = 0; i < 250 && !(owned(kService) && owned(QStringLiteral("org.freedesktop.Notifications"))); ++i) {
            QThread::msleep(20);
        }
        return owned(kService) && owned(QStringLiteral("org.freedesktop.Notifications"));
    }

    bool owned(const QString& name) const { return bus->interface()->isServiceRegistered(name); }

    ~Agent()
    {
        for (QProcess* running : {&process, &notificationServer, &busDaemon}) {
            running->terminate();
            running->waitForFinished(5000);
        }
    }

    /** User and system CPU time so far, in clock ticks. */
    qint64 cpuTicks() const
    {
        QFile file(QStringLiteral("/proc/%1/stat").arg(process.processId()));
        if (!file.open(QIODevice::ReadOnly)) {
            return 0;
        }
        // Fields 14 and 15, counted after the command name's closing parenthesis.
        const QList<QByteArray> fields = file.readAll().split(')').last().trimmed().split(' ');
        return fields.value(11).toLongLong() + fields.value(12).toLongLong();
    }

    double residentMegabytes() const
    {
        QFile file(QStringLiteral("/proc/%1/status").arg(process.processId()));
        if (!file.open(QIODevice::ReadOnly)) {
            return 0;
        }
        for (const QByteArray& line : file.readAll().split('\n')) {
            if (line.startsWith("VmRSS:")) {
                return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
            }
        }
        return 0;
    }
};

void runOnce(ReminderScheduler& scheduler)
{
    QEventLoop loop;
    QObject::connect(&scheduler, &ReminderScheduler::runFinished, &loop, &QEventLoop::quit);
    scheduler.configure(true, 15, 0, true, 21, 0);
    loop.exec();
}

void fullRescheduleThroughTheAgent(benchmark::State& state)
{
    Agent agent;
    if (!agent.start()) {
        state.SkipWithError("the agent, its bus or dunst did not start");
        return;
    }
    // Just after midnight, so both of the day's reminders are still ahead: 42 in all.
    ManualClock clock(Calendar::current().startOfDay(QDateTime::currentDateTimeUtc()).addSecs(60));
    AgentNotificationCenter center(*agent.bus, QString());
    ReminderScheduler scheduler(center, clock);
    runOnce(scheduler);
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        runOnce(scheduler);
        state.SetIterationTime(static_cast<double>(timer.nsecsElapsed()) / 1e9);
    }
    state.counters["agent_RSS_MB"] = agent.residentMegabytes();

    const qint64 before = agent.cpuTicks();
    QElapsedTimer idle;
    idle.start();
    // Long enough to include one of its 30-second looks at the clock.
    QThread::sleep(31);
    const double seconds = static_cast<double>(idle.elapsed()) / 1000.0;
    state.counters["agent_idle_CPU_percent"]
        = 100.0 * static_cast<double>(agent.cpuTicks() - before) / static_cast<double>(sysconf(_SC_CLK_TCK)) / seconds;
}
BENCHMARK(fullRescheduleThroughTheAgent)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
