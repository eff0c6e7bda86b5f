// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/IdleTime.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusReply>
#include <QEvent>

#include <cstdlib>
#include <optional>

namespace wendle {

std::unique_ptr<IdleTime> IdleTime::forSession(QDBusConnection sessionBus)
{
    // On Wayland the X server (if any) only sees X clients' input; ask the desktop first there.
    const bool wayland = !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    if (wayland) {
        if (auto desktop = DBusIdleTime::open(sessionBus)) {
            return desktop;
        }
    }
    if (auto x11 = X11IdleTime::open()) {
        return x11;
    }
    if (auto desktop = DBusIdleTime::open(sessionBus)) {
        return desktop;
    }
    return std::make_unique<InputIdleTime>();
}

DBusIdleTime::DBusIdleTime(QDBusConnection bus, Source source)
    : m_bus(std::move(bus))
    , m_source(source)
{
}

std::unique_ptr<DBusIdleTime> DBusIdleTime::open(QDBusConnection sessionBus)
{
    if (!sessionBus.isConnected()) {
        return nullptr;
    }
    for (const Source source : {Source::mutter, Source::screenSaver}) {
        std::unique_ptr<DBusIdleTime> idle(new DBusIdleTime(sessionBus, source));
        if (idle->query()) {
            return idle;
        }
    }
    return nullptr;
}

std::optional<double> DBusIdleTime::query()
{
    if (m_source == Source::mutter) {
        const QDBusMessage call = QDBusMessage::createMethodCall(
            QStringLiteral("org.gnome.Mutter.IdleMonitor"), QStringLiteral("/org/gnome/Mutter/IdleMonitor/Core"),
            QStringLiteral("org.gnome.Mutter.IdleMonitor"), QStringLiteral("GetIdletime"));
        const QDBusReply<quint64> reply = m_bus.call(call, QDBus::Block, 1000);
        return reply.isValid() ? std::optional<double>(static_cast<double>(reply.value()) / 1000.0) : std::nullopt;
    }
    const QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.ScreenSaver"), QStringLiteral("/org/freedesktop/ScreenSaver"),
        QStringLiteral("org.freedesktop.ScreenSaver"), QStringLiteral("GetSessionIdleTime"));
    const QDBusReply<quint32> reply = m_bus.call(call, QDBus::Block, 1000);
    return reply.isValid() ? std::optional<double>(static_cast<double>(reply.value())) : std::nullopt;
}

double DBusIdleTime::secondsSinceLastInput()
{
    // A desktop that stops answering is treated as busy: locking then waits for the next answer.
    return query().value_or(0);
}

InputIdleTime::InputIdleTime()
{
    m_sinceInput.start();
    QCoreApplication::instance()->installEventFilter(this);
}

double InputIdleTime::secondsSinceLastInput()
{
    return static_cast<double>(m_sinceInput.elapsed()) / 1000.0;
}

bool InputIdleTime::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::MouseButtonPress:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::TouchBegin:
        m_sinceInput.restart();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace wendle
