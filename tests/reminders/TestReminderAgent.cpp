// SPDX-License-Identifier: GPL-3.0-or-later
// The reminder agent as it runs: its own session bus with dunst, a queue in a folder of the test's own.
#include "journal/Calendar.h"
#include "reminders/agent/ReminderQueue.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace wendle;

class TestReminderAgent : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void requestsSurviveRestartsAndReachTheDesktop();
    void missedRequestsAtStartUp();
    void brokenQueueIsKeptAside();

private:
    void startAgent(QProcess& agent);
    QDBusMessage call(const QString& method, const QVariantList& arguments = {});
    QStringList pending()
    {
        return call(QStringLiteral("PendingRequestIdentifiers")).arguments().value(0).toStringList();
    }
    /** What reached the notification server, waiting until `expected` is among it. */
    QByteArray notified(const QByteArray& expected, int timeoutMs = 5000);
    QString queuePath() const { return m_state.filePath(QStringLiteral("wendle/reminders.json")); }
    void writeQueue(const QByteArray& bytes);

    QTemporaryDir m_state;
    QProcessEnvironment m_environment = QProcessEnvironment::systemEnvironment();
    QProcess m_busDaemon, m_dunst, m_monitor, m_agent;
    std::optional<QDBusConnection> m_bus;
    QByteArray m_notified;
};

namespace {

QVariantList request(const QString& identifier, const QString& body, const QDateTime& moment)
{
    const DateComponents c = Calendar::current().components(moment);
    return {identifier, QStringLiteral("wendle"), body, c.year, c.month, c.day, c.hour, c.minute};
}

} // namespace

void TestReminderAgent::init()
{
    QVERIFY2(!qEnvironmentVariableIsEmpty("WENDLE_TEST_SESSION"), "run inside scripts/test-session.sh");
    // A bus of this test's own, so no agent another program started can answer in its place.
    m_busDaemon.start(QStringLiteral("dbus-daemon"),
                      {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address")});
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

QDBusMessage TestReminderAgent::call(const QString& method, const QVariantList& arguments)
{
    const QString name = QStringLiteral("org.wendle.Reminders");
    QDBusMessage message = QDBusMessage::createMethodCall(name, QStringLiteral("/org/wendle/Reminders"), name, method);
    message.setArguments(arguments);
    return m_bus->call(message, QDBus::Block, 10000);
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

void TestReminderAgent::writeQueue(const QByteArray& bytes)
{
    QDir().mkpath(m_state.filePath(QStringLiteral("wendle")));
    QFile file(queuePath());
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
}

void TestReminderAgent::requestsSurviveRestartsAndReachTheDesktop()
{
    startAgent(m_agent);
    QProcess second;
    second.setProcessEnvironment(m_environment);
    second.start(QCoreApplication::applicationDirPath() + QStringLiteral("/wendle-reminders"), {});
    QVERIFY(second.waitForFinished(5000));
    QCOMPARE(second.exitCode(), 0);

    QCOMPARE(call(QStringLiteral("RequestAuthorization")).arguments().value(0).toBool(), true);
    // The next minute, or the one after when this one is nearly over.
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const QDateTime due = QDateTime(now.date(), QTime(now.time().hour(), now.time().minute()), Qt::UTC)
                              .addSecs(now.time().second() > 50 ? 120 : 60);
    const QString body = QStringLiteral("due-%1").arg(due.toSecsSinceEpoch());
    for (const QVariantList& r : {request(QStringLiteral("soon"), body, due),
                                  request(QStringLiteral("removed"), QStringLiteral("never shown"), due),
                                  request(QStringLiteral("tomorrow"), QStringLiteral("t"), due.addDays(1))}) {
        QCOMPARE(call(QStringLiteral("AddRequest"), r).type(), QDBusMessage::ReplyMessage);
    }
    QCOMPARE(call(QStringLiteral("AddRequest"), request(QString(), body, due)).type(), QDBusMessage::ErrorMessage);
    call(QStringLiteral("RemovePendingRequests"), {QStringList{QStringLiteral("removed")}});

    m_agent.terminate();
    QVERIFY(m_agent.waitForFinished(5000));
    // Qt reports the owner's bits again as the "user" ones: nobody else may read or write.
    QCOMPARE(QFile::permissions(queuePath()) & 0x0ff, QFileDevice::Permissions());
    startAgent(m_agent);
    QCOMPARE(pending(), (QStringList{QStringLiteral("soon"), QStringLiteral("tomorrow")}));

    const QString shown = QString::fromUtf8(notified(body.toUtf8(), 130000));
    QVERIFY(QDateTime::currentDateTimeUtc() >= due);
    QCOMPARE(shown.count(body), 1);
    QVERIFY(!shown.contains(QStringLiteral("never shown")));
    for (const char* expected :
         {"string \"wendle\"\n   uint32 0\n   string \"org.wendle.Wendle\"\n   string \"wendle\"",
          "string \"desktop-entry\"\n         variant             string \"org.wendle.Wendle\"",
          "string \"sound-name\"\n         variant             string \"message-new-instant\"",
          "string \"urgency\"\n         variant             byte 1", "string \"default\""}) {
        QVERIFY2(shown.contains(QString::fromUtf8(expected)), expected);
    }
    QCOMPARE(pending(), QStringList{QStringLiteral("tomorrow")});
}

void TestReminderAgent::missedRequestsAtStartUp()
{
    const QDateTime now = QDateTime::currentDateTimeUtc();
    ReminderQueue queue(queuePath());
    for (const QVariantList& r :
         {request(QStringLiteral("minutes"), QStringLiteral("missed by minutes"), now.addSecs(-300)),
          request(QStringLiteral("day"), QStringLiteral("missed by a day"), now.addDays(-1))}) {
        queue.add({r[0].toString(), r[1].toString(), r[2].toString(), r[3].toInt(), r[4].toInt(), r[5].toInt(),
                   r[6].toInt(), r[7].toInt()});
    }
    QVERIFY(queue.save());
    startAgent(m_agent);
    const QByteArray shown = notified("missed by minutes");
    QCOMPARE(shown.count("missed by minutes"), 1);
    QVERIFY(!shown.contains("missed by a day"));
    QCOMPARE(pending(), QStringList());
}

void TestReminderAgent::brokenQueueIsKeptAside()
{
    const QByteArray broken = R"({"format":"org.wendle.Reminders","version":1,"requests":[{"identifier":7}]})";
    writeQueue(broken);
    startAgent(m_agent);
    QCOMPARE(pending(), QStringList());
    QDir folder(m_state.filePath(QStringLiteral("wendle")));
    const QStringList aside = folder.entryList({QStringLiteral("reminders.json.broken-*")}, QDir::Files);
    QCOMPARE(aside.size(), 1);
    QFile kept(folder.filePath(aside.first()));
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), broken);

    const QVariantList tomorrow
        = request(QStringLiteral("x"), QStringLiteral("b"), QDateTime::currentDateTimeUtc().addDays(1));
    QCOMPARE(call(QStringLiteral("AddRequest"), tomorrow).type(), QDBusMessage::ReplyMessage);
    m_agent.terminate();
    QVERIFY(m_agent.waitForFinished(5000));
    startAgent(m_agent);
    QCOMPARE(pending(), QStringList{QStringLiteral("x")});
}

QTEST_GUILESS_MAIN(TestReminderAgent)
#include "TestReminderAgent.moc"
