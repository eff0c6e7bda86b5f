// SPDX-License-Identifier: GPL-3.0-or-later
// The reminder agent as it runs: its own session bus with dunst, a queue in a folder of the test's own.
#include "journal/Calendar.h"
#include "journal/Clock.h"
#include "reminders/AgentNotificationCenter.h"
#include "reminders/ReminderScheduler.h"
#include "reminders/agent/ReminderQueue.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDir>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "TempJournal.h"

#include <sys/stat.h>

using namespace wendle;
using wendle::test::fileBytes;
using wendle::test::putFile;

namespace {

NotificationRequest requestAt(const QString& identifier, const QString& body, const QDateTime& moment)
{
    const DateComponents c = Calendar::current().components(moment);
    return {identifier, QStringLiteral("wendle"), body, c.year, c.month, c.day, c.hour, c.minute};
}

/** The arguments of AddRequest. */
QVariantList request(const QString& identifier, const QString& body, const QDateTime& moment)
{
    const NotificationRequest r = requestAt(identifier, body, moment);
    return {r.identifier, r.title, r.body, r.year, r.month, r.day, r.hour, r.minute};
}

} // namespace

class TestReminderAgent : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void requestsSurviveRestartsAndReachTheDesktop();
    void brokenQueueIsKeptAside();
    void queueIsBounded();
    void plansWaitForTheAgentAndTheDesktop();

private:
    void startAgent(QProcess& agent);
    /** Ends the agent as the session does (SIGTERM) or at once (SIGKILL). */
    void stopAgent(bool kill = false)
    {
        kill ? m_agent.kill() : m_agent.terminate();
        QVERIFY(m_agent.waitForFinished(5000));
    }
    QDBusMessage message(const QString& method, const QVariantList& arguments = {}) const
    {
        const QString name = QStringLiteral("org.wendle.Reminders");
        QDBusMessage message
            = QDBusMessage::createMethodCall(name, QStringLiteral("/org/wendle/Reminders"), name, method);
        message.setArguments(arguments);
        return message;
    }
    QDBusMessage call(const QString& method, const QVariantList& arguments = {})
    {
        return m_bus->call(message(method, arguments), QDBus::Block, 10000);
    }
    QDBusMessage::MessageType add(const QString& identifier, const QDateTime& moment)
    {
        return call(QStringLiteral("AddRequest"), request(identifier, QStringLiteral("b"), moment)).type();
    }
    /** The queues moved aside as broken. */
    QStringList keptAside() const
    {
        return QDir(m_state.filePath(QStringLiteral("wendle"))).entryList({QStringLiteral("*.broken-*")});
    }
    QStringList pending()
    {
        return call(QStringLiteral("PendingRequestIdentifiers")).arguments().value(0).toStringList();
    }
    /** What reached the notification server, waiting until `expected` is among it. */
    QByteArray notified(const QByteArray& expected, int timeoutMs = 5000);
    QString queuePath() const { return m_state.filePath(QStringLiteral("wendle/reminders.json")); }

    QTemporaryDir m_state;
    QProcessEnvironment m_environment = QProcessEnvironment::systemEnvironment();
    QProcess m_busDaemon, m_dunst, m_monitor, m_agent;
    std::optional<QDBusConnection> m_bus;
    QByteArray m_notified;
};

void TestReminderAgent::init()
{
    QVERIFY2(!qEnvironmentVariableIsEmpty("WENDLE_TEST_SESSION"), "run inside scripts/test-session.sh");
    // A bus of this test's own, so no agent another program started can answer in its place. It starts no
    // service by itself, so a notification server the test stops stays stopped.
    const QString config = m_state.filePath(QStringLiteral("bus.conf"));
    QVERIFY(putFile(config,
                    "<busconfig><type>session</type><listen>unix:tmpdir=/tmp</listen><auth>EXTERNAL</auth>"
                    "<policy context='default'><allow send_destination='*' eavesdrop='true'/>"
                    "<allow eavesdrop='true'/><allow own='*'/></policy></busconfig>"));
    m_busDaemon.start(
        QStringLiteral("dbus-daemon"),
        {QStringLiteral("--config-file=") + config, QStringLiteral("--nofork"), QStringLiteral("--print-address")});
    QVERIFY(m_busDaemon.waitForReadyRead(5000));
    const QString address = QString::fromUtf8(m_busDaemon.readLine()).trimmed();
    m_environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), address);
    m_environment.insert(QStringLiteral("XDG_STATE_HOME"), m_state.path());
    QDir(m_state.filePath(QStringLiteral("wendle"))).removeRecursively();
    m_bus = QDBusConnection::connectToBus(address, QString::fromLatin1(QTest::currentTestFunction()));
    m_dunst.setProcessEnvironment(m_environment);
    m_dunst.start(QStringLiteral("dunst"), {});
    QTRY_VERIFY(m_bus->interface()->isServiceRegistered(QStringLiteral("org.freedesktop.Notifications")));
    m_monitor.start(QStringLiteral("dbus-monitor"),
                    {QStringLiteral("--address"), address, QStringLiteral("member='Notify'")});
    QVERIFY(m_monitor.waitForStarted());
    m_notified.clear();
}

void TestReminderAgent::cleanup()
{
    for (QProcess* process : {&m_agent, &m_monitor, &m_dunst, &m_busDaemon}) {
        process->terminate();
        process->waitForFinished(5000);
    }
    m_bus.reset();
}

void TestReminderAgent::startAgent(QProcess& agent)
{
    agent.setProcessEnvironment(m_environment);
    agent.start(QCoreApplication::applicationDirPath() + QStringLiteral("/wendle-reminders"), {});
    QTRY_VERIFY(m_bus->interface()->isServiceRegistered(QStringLiteral("org.wendle.Reminders")));
}

QByteArray TestReminderAgent::notified(const QByteArray& expected, int timeoutMs)
{
    const bool arrived = QTest::qWaitFor(
        [&] { return (m_notified += m_monitor.readAllStandardOutput()).contains(expected); }, timeoutMs);
    if (arrived) {
        // Anything that would follow it, such as a second showing.
        QTest::qWait(1000);
    }
    return m_notified += m_monitor.readAllStandardOutput();
}

void TestReminderAgent::requestsSurviveRestartsAndReachTheDesktop()
{
    // Missed while no agent ran: by minutes it is still shown, by a day it is dropped.
    ReminderQueue queue(queuePath());
    const QDateTime now = QDateTime::currentDateTimeUtc();
    QVERIFY(queue.add(requestAt(QStringLiteral("minutes"), QStringLiteral("missed by minutes"), now.addSecs(-300))));
    QVERIFY(queue.add(requestAt(QStringLiteral("day"), QStringLiteral("missed by a day"), now.addDays(-1))));
    QVERIFY(queue.save());
    // The button speaks the desktop's language.
    m_environment.insert(QStringLiteral("LANGUAGE"), QStringLiteral("de_DE"));
    startAgent(m_agent);
    m_environment.remove(QStringLiteral("LANGUAGE"));
    const QByteArray missed = notified("missed by minutes");
    QCOMPARE(missed.count("missed by minutes"), 1);
    QVERIFY(!missed.contains("missed by a day"));
    QVERIFY(missed.contains("string \"Wendle öffnen\""));
    QCOMPARE(pending(), QStringList());

    // A second agent finds the name taken and leaves.
    QProcess second;
    startAgent(second);
    QVERIFY(second.waitForFinished(5000));
    QCOMPARE(second.exitCode(), 0);

    QCOMPARE(call(QStringLiteral("RequestAuthorization")).arguments().value(0).toBool(), true);
    // The next minute, or the one after when this one is nearly over.
    const QDateTime start = QDateTime::currentDateTimeUtc();
    const QDateTime due = QDateTime(start.date(), QTime(start.time().hour(), start.time().minute()), Qt::UTC)
                              .addSecs(start.time().second() > 50 ? 120 : 60);
    const QString body = QStringLiteral("due-%1").arg(due.toSecsSinceEpoch());
    for (const QVariantList& r : {request(QStringLiteral("soon"), body, due),
                                  request(QStringLiteral("removed"), QStringLiteral("never shown"), due),
                                  request(QStringLiteral("tomorrow"), QStringLiteral("t"), due.addDays(1))}) {
        QCOMPARE(call(QStringLiteral("AddRequest"), r).type(), QDBusMessage::ReplyMessage);
    }
    QCOMPARE(call(QStringLiteral("AddRequest"), request(QString(), body, due)).type(), QDBusMessage::ErrorMessage);
    call(QStringLiteral("RemovePendingRequests"), {QStringList{QStringLiteral("removed")}});

    stopAgent();
    startAgent(m_agent);
    // Qt reports the owner's bits again as the "user" ones: nobody else may read or write.
    QCOMPARE(QFile::permissions(queuePath()) & 0x0ff, QFileDevice::Permissions());
    QCOMPARE(pending(), (QStringList{QStringLiteral("soon"), QStringLiteral("tomorrow")}));

    const QString shown = QString::fromUtf8(notified(body.toUtf8(), 130000));
    QVERIFY(QDateTime::currentDateTimeUtc() >= due);
    QCOMPARE(shown.count(body), 1);
    QVERIFY(!shown.contains(QStringLiteral("never shown")));
    for (const char* expected :
         {"string \"wendle\"\n   uint32 0\n   string \"org.wendle.Wendle\"\n   string \"wendle\"",
          "string \"desktop-entry\"\n         variant             string \"org.wendle.Wendle\"", "string \"default\"",
          "string \"Open Wendle\""}) {
        QVERIFY2(shown.contains(QString::fromUtf8(expected)), expected);
    }
    QCOMPARE(pending(), QStringList{QStringLiteral("tomorrow")});
}

void TestReminderAgent::brokenQueueIsKeptAside()
{
    const QByteArray broken = R"({"format":"org.wendle.Reminders","version":1,"requests":[{"identifier":7}]})";
    QDir().mkpath(m_state.filePath(QStringLiteral("wendle")));
    QVERIFY(putFile(queuePath(), broken));
    startAgent(m_agent);
    QCOMPARE(pending(), QStringList());
    QCOMPARE(keptAside().size(), 1);
    QCOMPARE(fileBytes(m_state.filePath(QStringLiteral("wendle/") + keptAside().first())), broken);
    // Broken again within the same second, the queue still moves aside and stays writable.
    for (int again = 0; again < 2; ++again) {
        QVERIFY(putFile(queuePath(), broken));
        ReminderQueue reloaded(queuePath());
        reloaded.load();
        QVERIFY(reloaded.isWritable() && !reloaded.movedAsideTo().isEmpty());
    }
    QCOMPARE(keptAside().size(), 3);

    // Acknowledged means on disk: killed right after the answer, the agent still has it when it comes back.
    const QDateTime tomorrow = QDateTime::currentDateTimeUtc().addDays(1);
    QCOMPARE(add(QStringLiteral("x"), tomorrow), QDBusMessage::ReplyMessage);
    stopAgent(true);
    startAgent(m_agent);
    QCOMPARE(pending(), QStringList{QStringLiteral("x")});

    // A queue that cannot be opened (here a FIFO) is not judged: it stays, and nothing is taken to overwrite it.
    stopAgent();
    QVERIFY(QFile::remove(queuePath()));
    QCOMPARE(::mkfifo(QFile::encodeName(queuePath()).constData(), 0600), 0);
    startAgent(m_agent);
    QCOMPARE(call(QStringLiteral("PendingRequestIdentifiers")).type(), QDBusMessage::ReplyMessage);
    QCOMPARE(add(QStringLiteral("y"), tomorrow), QDBusMessage::ErrorMessage);
    stopAgent();
    QVERIFY(m_agent.readAllStandardError().contains("cannot be opened"));
    QVERIFY(QFileInfo::exists(queuePath()) && !QFileInfo(queuePath()).isFile());
    QCOMPARE(keptAside().size(), 3);
}

void TestReminderAgent::queueIsBounded()
{
    const QDateTime tomorrow = QDateTime::currentDateTimeUtc().addDays(1);
    // A file past the size limit is not read, only moved aside.
    ReminderQueue big(queuePath());
    QVERIFY(big.add(requestAt(QStringLiteral("big"), QStringLiteral("b"), tomorrow)));
    QVERIFY(big.save());
    QFile file(queuePath());
    QVERIFY(file.open(QIODevice::Append));
    QCOMPARE(file.write(QByteArray(ReminderQueue::maximumFileSize, ' ')), ReminderQueue::maximumFileSize);
    file.close();
    startAgent(m_agent);
    QCOMPARE(pending(), QStringList());
    QCOMPARE(keptAside().size(), 1);

    // Up to the limit, sent a hundred at once (the bus's default cap on unanswered calls is 128); one more is
    // refused, a replacement is not.
    for (std::size_t first = 0; first < ReminderQueue::maximumRequests; first += 100) {
        std::vector<QDBusPendingCall> answers;
        for (std::size_t i = first; i < std::min(first + 100, ReminderQueue::maximumRequests); ++i) {
            answers.push_back(m_bus->asyncCall(message(
                QStringLiteral("AddRequest"), request(QStringLiteral("r%1").arg(i), QStringLiteral("b"), tomorrow))));
        }
        for (QDBusPendingCall& answer : answers) {
            answer.waitForFinished();
            QVERIFY2(!answer.isError(), qPrintable(answer.error().message()));
        }
    }
    QCOMPARE(add(QStringLiteral("more"), tomorrow), QDBusMessage::ErrorMessage);
    QCOMPARE(add(QStringLiteral("r7"), tomorrow), QDBusMessage::ReplyMessage);
    QCOMPARE(pending().size(), qsizetype(ReminderQueue::maximumRequests));
}

void TestReminderAgent::plansWaitForTheAgentAndTheDesktop()
{
    m_dunst.terminate();
    QVERIFY(m_dunst.waitForFinished(5000));
    QTRY_VERIFY(!m_bus->interface()->isServiceRegistered(QStringLiteral("org.freedesktop.Notifications")));
    const QString planned = QStringLiteral("wendle.reminder.2099-01-01.primary");
    ReminderQueue queue(queuePath());
    QVERIFY(queue.add(requestAt(planned, QStringLiteral("b"), QDateTime(QDate(2099, 1, 1), QTime(9, 0)))));
    QVERIFY(queue.save());

    // An agent that is not there and is not to be started: the run gives up after its wait.
    AgentNotificationCenter center(*m_bus, QStringLiteral("/nonexistent/wendle-reminders"));
    ReminderScheduler scheduler(center, systemClock());
    QSignalSpy logged(&scheduler, &ReminderScheduler::logged);
    scheduler.configure(true, 23, 59, false, 21, 0);
    QTRY_COMPARE_WITH_TIMEOUT(logged.count(), 1, 15000);

    // The agent coming up brings a new run; with no notification server yet, the planned reminder stays.
    startAgent(m_agent);
    QTRY_COMPARE_WITH_TIMEOUT(logged.count(), 2, 15000);
    QCOMPARE(logged.at(1).at(0).toString(), QStringLiteral("Wendle reminder: notification permission not granted"));
    QCOMPARE(pending(), QStringList{planned});

    // So does the notification server: now the plan is made.
    m_dunst.start(QStringLiteral("dunst"), {});
    QTRY_COMPARE_WITH_TIMEOUT(logged.count(), 3, 15000);
    QVERIFY2(logged.at(2).at(0).toString().startsWith(QStringLiteral("Wendle reminder: planned")),
             qPrintable(logged.at(2).at(0).toString()));
    const QStringList now = pending();
    QVERIFY(!now.isEmpty() && !now.contains(planned));
}

QTEST_GUILESS_MAIN(TestReminderAgent)
#include "TestReminderAgent.moc"
