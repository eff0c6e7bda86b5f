// SPDX-License-Identifier: GPL-3.0-or-later
#include "lock/SystemEvents.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

#include <unistd.h>

namespace wendle {

namespace {
const QString kLogin = QStringLiteral("org.freedesktop.login1");
const QString kLoginPath = QStringLiteral("/org/freedesktop/login1");
const QString kManager = QStringLiteral("org.freedesktop.login1.Manager");
} // namespace

DBusSystemEvents::DBusSystemEvents(QDBusConnection systemBus, QDBusConnection sessionBus, QObject* parent)
    : SystemEvents(parent)
{
    listen(std::move(systemBus), std::move(sessionBus));
}

DBusSystemEvents::DBusSystemEvents(QObject* parent)
    : SystemEvents(parent)
{
}

void DBusSystemEvents::listen(QDBusConnection systemBus, QDBusConnection sessionBus)
{
    m_system = std::move(systemBus);
    m_session = std::move(sessionBus);
    if (m_system.isConnected()) {
        m_system.connect(kLogin, kLoginPath, kManager, QStringLiteral("PrepareForSleep"), this,
                         SLOT(onPrepareForSleep(bool)));
        takeSleepInhibitor();
        // The session Wendle runs in, for its Lock signal. Asked without waiting: start-up goes on meanwhile.
        QDBusMessage call
            = QDBusMessage::createMethodCall(kLogin, kLoginPath, kManager, QStringLiteral("GetSessionByPID"));
        call << static_cast<quint32>(getpid());
        auto* watcher = new QDBusPendingCallWatcher(m_system.asyncCall(call, 5000), this);
        connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* finished) {
            const QDBusPendingReply<QDBusObjectPath> session = *finished;
            if (session.isValid()) {
                m_system.connect(kLogin, session.value().path(), QStringLiteral("org.freedesktop.login1.Session"),
                                 QStringLiteral("Lock"), this, SLOT(onSessionLock()));
            }
            finished->deleteLater();
        });
    }
    if (m_session.isConnected()) {
        m_session.connect(QString(), QStringLiteral("/org/freedesktop/ScreenSaver"),
                          QStringLiteral("org.freedesktop.ScreenSaver"), QStringLiteral("ActiveChanged"), this,
                          SLOT(onScreenSaverActiveChanged(bool)));
        m_session.connect(QString(), QStringLiteral("/org/gnome/ScreenSaver"), QStringLiteral("org.gnome.ScreenSaver"),
                          QStringLiteral("ActiveChanged"), this, SLOT(onScreenSaverActiveChanged(bool)));
    }
}

void DBusSystemEvents::takeSleepInhibitor()
{
    QDBusMessage call = QDBusMessage::createMethodCall(kLogin, kLoginPath, kManager, QStringLiteral("Inhibit"));
    //: Why Wendle delays sleep, as the desktop lists it.
    const QString why = tr("Locking the journal");
    call << QStringLiteral("sleep") << QStringLiteral("Wendle") << why << QStringLiteral("delay");
    auto* watcher = new QDBusPendingCallWatcher(m_system.asyncCall(call, 5000), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* finished) {
        const QDBusPendingReply<QDBusUnixFileDescriptor> reply = *finished;
        if (reply.isValid()) {
            m_inhibitor = reply.value();
        }
        finished->deleteLater();
    });
}

void DBusSystemEvents::onPrepareForSleep(bool sleeping)
{
    m_sleepAnnounced = sleeping;
    if (sleeping) {
        // The inhibitor stays until the lock has happened: see readyToSleep.
        Q_EMIT willSleep();
    } else {
        Q_EMIT didWake();
        takeSleepInhibitor();
    }
}

void DBusSystemEvents::readyToSleep()
{
    if (m_sleepAnnounced) {
        m_sleepAnnounced = false;
        m_inhibitor = QDBusUnixFileDescriptor();
    }
}

void DBusSystemEvents::onScreenSaverActiveChanged(bool active)
{
    if (active) {
        Q_EMIT screensDidSleep();
    }
}

void DBusSystemEvents::onSessionLock()
{
    Q_EMIT screensDidSleep();
}

} // namespace wendle
