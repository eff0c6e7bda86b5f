// SPDX-License-Identifier: GPL-3.0-or-later
#include "reminders/AgentNotificationCenter.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusServiceWatcher>
#include <QFileInfo>
#include <QPointer>
#include <QProcess>

namespace wendle {

namespace {

const QString kService = QStringLiteral("org.wendle.Reminders");
const QString kPath = QStringLiteral("/org/wendle/Reminders");
const QString kInterface = QStringLiteral("org.wendle.Reminders");
const QString kNotificationServer = QStringLiteral("org.freedesktop.Notifications");
constexpr int kStartTimeoutMs = 5000;

QDBusMessage methodCall(const QString& method)
{
    return QDBusMessage::createMethodCall(kService, kPath, kInterface, method);
}

} // namespace

QString AgentNotificationCenter::defaultAgentProgram()
{
    const QString beside = QCoreApplication::applicationDirPath() + QStringLiteral("/wendle-reminders");
    return QFileInfo(beside).isExecutable() ? beside : QStringLiteral("wendle-reminders");
}

AgentNotificationCenter::AgentNotificationCenter(QDBusConnection bus, QString agentProgram, QObject* parent)
    : AgentNotificationCenter(std::move(agentProgram), parent)
{
    connectTo(std::move(bus));
}

AgentNotificationCenter::AgentNotificationCenter(QString agentProgram, QObject* parent)
    : QObject(parent)
    , m_agentProgram(std::move(agentProgram))
{
    m_giveUp.setSingleShot(true);
    connect(&m_giveUp, &QTimer::timeout, this, &AgentNotificationCenter::flush);
}

void AgentNotificationCenter::connectTo(QDBusConnection bus)
{
    m_bus = std::move(bus);
    m_connected = true;
    m_agentPresent = m_bus.isConnected() && m_bus.interface()->isServiceRegistered(kService);
    auto* watcher = new QDBusServiceWatcher(kService, m_bus, QDBusServiceWatcher::WatchForOwnerChange, this);
    watcher->addWatchedService(kNotificationServer);
    connect(watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString& name, const QString&, const QString& owner) {
                if (name == kService) {
                    m_agentPresent = !owner.isEmpty();
                    if (m_agentPresent) {
                        flush();
                    }
                }
                if (!owner.isEmpty()) {
                    Q_EMIT cameUp();
                }
            });
    if (!m_waiting.empty()) {
        deliverOrStartAgent();
    }
}

void AgentNotificationCenter::pendingRequestIdentifiers(QObject* context,
                                                        std::function<void(const QStringList&)> completion)
{
    send(methodCall(QStringLiteral("PendingRequestIdentifiers")), context,
         [completion = std::move(completion)](const QDBusMessage& reply) {
             const bool ok = reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty();
             completion(ok ? reply.arguments().constFirst().toStringList() : QStringList());
         });
}

void AgentNotificationCenter::removePendingRequests(const QStringList& identifiers)
{
    QDBusMessage call = methodCall(QStringLiteral("RemovePendingRequests"));
    call << identifiers;
    send(call, nullptr, nullptr);
}

void AgentNotificationCenter::requestAuthorization(QObject* context, std::function<void(bool granted)> completion)
{
    send(methodCall(QStringLiteral("RequestAuthorization")), context,
         [completion = std::move(completion)](const QDBusMessage& reply) {
             completion(reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty()
                        && reply.arguments().constFirst().toBool());
         });
}

void AgentNotificationCenter::add(const NotificationRequest& request, QObject* context,
                                  std::function<void(bool added)> completion)
{
    QDBusMessage call = methodCall(QStringLiteral("AddRequest"));
    call << request.identifier << request.title << request.body << request.year << request.month << request.day
         << request.hour << request.minute;
    send(call, context, [completion = std::move(completion)](const QDBusMessage& reply) {
        completion(reply.type() == QDBusMessage::ReplyMessage);
    });
}

void AgentNotificationCenter::whenAvailable(QObject* context, std::function<void()> callback)
{
    connect(this, &AgentNotificationCenter::cameUp, context, std::move(callback));
}

void AgentNotificationCenter::send(QDBusMessage call, QObject* context,
                                   std::function<void(const QDBusMessage&)> completion)
{
    m_waiting.push_back({std::move(call), context, std::move(completion)});
    if (m_connected) {
        deliverOrStartAgent();
    }
}

void AgentNotificationCenter::deliverOrStartAgent()
{
    if (m_agentPresent || m_giveUp.isActive()) {
        flush();
        return;
    }
    // Not on the bus: start it once, and hold the calls until it has its name or the wait is over.
    // It outlives Wendle: it must not hold on to Wendle's terminal or output pipes.
    QProcess agent;
    agent.setProgram(m_agentProgram);
    agent.setStandardInputFile(QProcess::nullDevice());
    agent.setStandardOutputFile(QProcess::nullDevice());
    agent.setStandardErrorFile(QProcess::nullDevice());
    agent.startDetached();
    m_giveUp.start(kStartTimeoutMs);
}

void AgentNotificationCenter::flush()
{
    if (!m_agentPresent && m_giveUp.isActive()) {
        return;
    }
    m_giveUp.stop();
    while (!m_waiting.empty()) {
        Waiting waiting = std::move(m_waiting.front());
        m_waiting.pop_front();
        if (!waiting.completion) {
            waiting.call.setAutoStartService(false);
            m_bus.send(waiting.call);
            continue;
        }
        if (!waiting.context) {
            continue;
        }
        auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(waiting.call, 10000), waiting.context);
        connect(watcher, &QDBusPendingCallWatcher::finished, waiting.context,
                [completion = std::move(waiting.completion)](QDBusPendingCallWatcher* finished) {
                    finished->deleteLater();
                    completion(finished->reply());
                });
    }
}

} // namespace wendle
