// SPDX-License-Identifier: GPL-3.0-or-later
// The reminder agent as it runs: its own session bus with dunst, a queue in a folder of the test's own.
#include "journal/Calendar.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace wendle;

namespace {

const QString kService = QStringLiteral("org.wendle.Reminders");

/** A call to the agent; its reply, or an error message. */
QDBusMessage callAgent(QDBusConnection& bus, const QString& method, const QVariantList& arguments = {})
{
    QDBusMessage call
        = QDBusMessage::createMethodCall(kService, QStringLiteral("/org/wendle/Reminders"), kService, method);
    call.setArguments(arguments);
    return bus.call(call, QDBus::Block, 10000);
}

} // namespace

class TestReminderAgent : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void requestsSurviveRestartsAndReachTheDesktop();
    void missedRequestsAtStartUp();
    void brokenQueueIsKeptAside();

private:
    void startAgent();
    void stopAgent();
    QVariantList request(const QString& identifier, const QString& body, const QDateTime& moment) const;
    QStringList pending();
    QString queuePath() const { return m_state->filePath(QStringLiteral("wendle/reminders.json")); }
    void writeQueue(const QByteArray& bytes);

    QProcessEnvironment m_environment;
    std::unique_ptr<QTemporaryDir> m_state;
    QProcess m_busDaemon;
    QProcess m_dunst;
    QProcess m_monitor;
    QProcess m_agent;
    std::optional<QDBusConnection> m_bus;
};

void TestReminderAgent::initTestCase()
{
    if (qEnvironmentVariableIsEmpty("WENDLE_TEST_SESSION") || qEnvironmentVariableIsEmpty("DISPLAY")) {
        QFAIL("needs the test session: run inside scripts/test-session.sh");
    }
}

void TestReminderAgent::init()
{
    // A bus of this test's own, so an agent some other program started cannot answer in its place.
    m_busDaemon.start(QStringLiteral("dbus-daemon"),
                      {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address")});
    QVERIFY(m_busDaemon.waitForReadyRead(5000));
    const QString address = QString::fromUtf8(m_busDaemon.readLine()).trimmed();
    m_state = std::make_unique<QTemporaryDir>();
    m_environment = QProcessEnvironment::systemEnvironment();
    m_environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), address);
    m_environment.insert(QStringLiteral("XDG_STATE_HOME"), m_state->path());
    m_bus = QDBusConnection::connectToBus(address, QStringLiteral("test-%1").arg(QTest::currentTestFunction()));
    QVERIFY(m_bus->isConnected());

    m_dunst.setProcessEnvironment(m_environment);
    m_dunst.start(QStringLiteral("dunst"), {});
    QTRY_VERIFY(m_bus->interface()->isServiceRegistered(QStringLiteral("org.freedesktop.Notifications")));
    m_monitor.start(QStringLiteral("dbus-monitor"),
                    {QStringLiteral("--address"), address, QStringLiteral("member='Notify'")});
    QVERIFY(m_monitor.waitForStarted());
}

void TestReminderAgent::cleanup()
{
    stopAgent();
    for (QProcess* process : {&m_monitor, &m_dunst, &m_busDaemon}) {
        process->terminate();
        process->waitForFinished(5000);
    }
    m_bus.reset();
}

void TestReminderAgent::startAgent()
{
    m_agent.setProcessEnvironment(m_environment);
    m_agent.setProcessChannelMode(QProcess::ForwardedChannels);
    m_agent.start(QCoreApplication::applicationDirPath() + QStringLiteral("/wendle-reminders"), {});
    QTRY_VERIFY(m_bus->interface()->isServiceRegistered(kService));
}

void TestReminderAgent::stopAgent()
{
    if (m_agent.state() != QProcess::NotRunning) {
        m_agent.terminate();
        QVERIFY(m_agent.waitForFinished(5000));
    }
}

QVariantList TestReminderAgent::request(const QString& identifier, const QString& body, const QDateTime& moment) const
{
    const DateComponents c = Calendar::current().components(moment);
    return {identifier, QStringLiteral("wendle"), body, c.year, c.month, c.day, c.hour, c.minute};
}

QStringList TestReminderAgent::pending()
{
    const QDBusMessage reply = callAgent(*m_bus, QStringLiteral("PendingRequestIdentifiers"));
    return reply.arguments().value(0).toStringList();
}

void TestReminderAgent::writeQueue(const QByteArray& bytes)
{
    QDir().mkpath(m_state->filePath(QStringLiteral("wendle")));
    QFile file(queuePath());
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

void TestReminderAgent::requestsSurviveRestartsAndReachTheDesktop()
{
    startAgent();
    QProcess second;
    second.setProcessEnvironment(m_environment);
    second.start(QCoreApplication::applicationDirPath() + QStringLiteral("/wendle-reminders"), {});
    QVERIFY(second.waitForFinished(5000));
    QCOMPARE(second.exitCode(), 0);

    QCOMPARE(callAgent(*m_bus, QStringLiteral("RequestAuthorization")).arguments().value(0).toBool(), true);
    // The next minute, or the one after when this one is nearly over.
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const QDateTime minute(now.date(), QTime(now.time().hour(), now.time().minute()), Qt::UTC);
    const QDateTime due = minute.addSecs(now.time().second() > 50 ? 120 : 60);
    const QString body = QStringLiteral("due-%1").arg(due.toSecsSinceEpoch());
    for (const QVariantList& r : {request(QStringLiteral("soon"), body, due),
                                  request(QStringLiteral("removed"), QStringLiteral("never shown"), due),
                                  request(QStringLiteral("tomorrow"), QStringLiteral("t"), due.addDays(1))}) {
        QCOMPARE(callAgent(*m_bus, QStringLiteral("AddRequest"), r).type(), QDBusMessage::ReplyMessage);
    }
    QCOMPARE(callAgent(*m_bus, QStringLiteral("AddRequest"), request(QString(), body, due)).type(),
             QDBusMessage::ErrorMessage);
    callAgent(*m_bus, QStringLiteral("RemovePendingRequests"), {QStringList{QStringLiteral("removed")}});
    // Qt reports the owner's bits again as the "user" ones.
    const auto others
        = QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ReadOther | QFileDevice::WriteOther;
    QCOMPARE(QFile::permissions(queuePath()) & (others | QFileDevice::ExeOwner), QFileDevice::Permissions());
    QCOMPARE(second.state(), QProcess::NotRunning);

    stopAgent();
    startAgent();
    QCOMPARE(pending(), (QStringList{QStringLiteral("soon"), QStringLiteral("tomorrow")}));

    QByteArray seen;
    QTRY_VERIFY_WITH_TIMEOUT((seen += m_monitor.readAllStandardOutput()).contains(body.toUtf8()), 130000);
    QVERIFY(QDateTime::currentDateTimeUtc() >= due);
    QTest::qWait(1000);
    seen += m_monitor.readAllStandardOutput();
    const QString notify = QString::fromUtf8(seen);
    QCOMPARE(notify.count(body), 1);
    QVERIFY(!notify.contains(QStringLiteral("never shown")));
    for (const char* expected :
         {"string \"wendle\"\n   uint32 0\n   string \"org.wendle.Wendle\"\n   string \"wendle\"",
          "string \"desktop-entry\"\n         variant             string \"org.wendle.Wendle\"",
          "string \"sound-name\"\n         variant             string \"message-new-instant\"",
          "string \"urgency\"\n         variant             byte 1", "string \"default\""}) {
        QVERIFY2(notify.contains(QString::fromUtf8(expected)), expected);
    }
    QCOMPARE(pending(), QStringList{QStringLiteral("tomorrow")});
}

void TestReminderAgent::missedRequestsAtStartUp()
{
    const QDateTime now = QDateTime::currentDateTimeUtc();
    auto entry = [this](const QString& id, const QDateTime& moment) {
        const QVariantList r = request(id, id + QStringLiteral(" body"), moment);
        return QStringLiteral(R"({"identifier":"%1","title":"wendle","body":"%2","year":%3,"month":%4,"day":%5,)"
                              R"("hour":%6,"minute":%7})")
            .arg(r[0].toString(), r[2].toString())
            .arg(r[3].toInt())
            .arg(r[4].toInt())
            .arg(r[5].toInt())
            .arg(r[6].toInt())
            .arg(r[7].toInt());
    };
    writeQueue(QStringLiteral(R"({"format":"org.wendle.Reminders","version":1,"requests":[%1,%2]})")
                   .arg(entry(QStringLiteral("minutes-ago"), now.addSecs(-300)),
                        entry(QStringLiteral("a-day-ago"), now.addDays(-1)))
                   .toUtf8());
    startAgent();
    QByteArray seen;
    QTRY_VERIFY((seen += m_monitor.readAllStandardOutput()).contains("minutes-ago body"));
    QTest::qWait(1000);
    seen += m_monitor.readAllStandardOutput();
    QCOMPARE(seen.count("minutes-ago body"), 1);
    QVERIFY(!seen.contains("a-day-ago body"));
    QCOMPARE(pending(), QStringList());
}

void TestReminderAgent::brokenQueueIsKeptAside()
{
    const QByteArray broken = R"({"format":"org.wendle.Reminders","version":1,"requests":[{"identifier":7}]})";
    writeQueue(broken);
    startAgent();
    QCOMPARE(pending(), QStringList());
    const QStringList aside = QDir(m_state->filePath(QStringLiteral("wendle")))
                                  .entryList({QStringLiteral("reminders.json.broken-*")}, QDir::Files);
    QCOMPARE(aside.size(), 1);
    QFile kept(m_state->filePath(QStringLiteral("wendle/") + aside.first()));
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), broken);

    const QDateTime tomorrow = QDateTime::currentDateTimeUtc().addDays(1);
    QCOMPARE(
        callAgent(*m_bus, QStringLiteral("AddRequest"), request(QStringLiteral("x"), QStringLiteral("b"), tomorrow))
            .type(),
        QDBusMessage::ReplyMessage);
    stopAgent();
    startAgent();
    QCOMPARE(pending(), QStringList{QStringLiteral("x")});
}

QTEST_GUILESS_MAIN(TestReminderAgent)
#include "TestReminderAgent.moc"
