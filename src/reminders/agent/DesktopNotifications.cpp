// SPDX-License-Identifier: GPL-3.0-or-later
#include "reminders/agent/DesktopNotifications.h"

#include "reminders/NotificationCenter.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>

namespace wendle {

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");
const QString kDefaultAction = QStringLiteral("default");

} // namespace

DesktopNotifications::DesktopNotifications(QDBusConnection bus, QObject* parent)
    : QObject(parent)
    , m_bus(std::move(bus))
{
    m_bus.connect(kService, kPath, kInterface, QStringLiteral("ActionInvoked"), this,
                  SLOT(onActionInvoked(uint, QString)));
    m_bus.connect(kService, kPath, kInterface, QStringLiteral("ActivationToken"), this,
                  SLOT(onActivationToken(uint, QString)));
    m_bus.connect(kService, kPath, kInterface, QStringLiteral("NotificationClosed"), this, SLOT(onClosed(uint, uint)));
}

void DesktopNotifications::probe(std::function<void(bool answered)> completion)
{
    const QDBusMessage call
        = QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("GetCapabilities"));
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call, 5000), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [completion = std::move(completion)](QDBusPendingCallWatcher* finished) {
                finished->deleteLater();
                completion(!finished->isError());
            });
}

void DesktopNotifications::show(const NotificationRequest& request)
{
    const QVariantMap hints{
        {QStringLiteral("desktop-entry"), QStringLiteral("org.wendle.Wendle")},
        {QStringLiteral("sound-name"), QStringLiteral("message-new-instant")},
        {QStringLiteral("urgency"), QVariant::fromValue(uchar(1))},
    };
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Notify"));
    call << QStringLiteral("wendle") << uint(0) << QStringLiteral("org.wendle.Wendle") << request.title << request.body
         << QStringList{kDefaultAction, tr("Open Wendle")} << hints << -1;
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call, 5000), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* finished) {
        finished->deleteLater();
        const QDBusPendingReply<uint> reply = *finished;
        if (reply.isValid()) {
            m_shown.insert(reply.value());
        }
    });
}

void DesktopNotifications::onActivationToken(uint id, const QString& token)
{
    // Sent just before ActionInvoked, so the window that opens may take the focus.
    if (m_shown.contains(id)) {
        m_lastToken = token;
    }
}

void DesktopNotifications::onActionInvoked(uint id, const QString& action)
{
    if (!m_shown.contains(id) || action != kDefaultAction) {
        return;
    }
    Q_EMIT activated(m_lastToken);
    m_lastToken.clear();
}

void DesktopNotifications::onClosed(uint id, uint)
{
    m_shown.remove(id);
}

} // namespace wendle
