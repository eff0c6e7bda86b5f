// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QSet>

#include <functional>

namespace wendle {

struct NotificationRequest;

/**
 * The desktop's notification server (org.freedesktop.Notifications): whether one answers, and showing a
 * reminder as Wendle's, with a sound and normal urgency, whose default action opens Wendle.
 */
class DesktopNotifications : public QObject
{
    Q_OBJECT

public:
    explicit DesktopNotifications(QDBusConnection bus, QObject* parent = nullptr);

    /** Calls `completion` with whether a server answered GetCapabilities. */
    void probe(std::function<void(bool answered)> completion);
    void show(const NotificationRequest& request);

Q_SIGNALS:
    /** The user chose one of the shown reminders; `activationToken` may be empty. */
    void activated(const QString& activationToken);

private Q_SLOTS:
    void onActionInvoked(uint id, const QString& action);
    void onActivationToken(uint id, const QString& token);
    void onClosed(uint id, uint reason);

private:
    QDBusConnection m_bus;
    QSet<uint> m_shown;
    QString m_lastToken;
};

} // namespace wendle
