// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/IdleTime.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusReply>
#include <QEvent>

#include <algorithm>
#include <chrono>
#include <optional>

namespace wendle {

std::unique_ptr<IdleTime> IdleTime::forSession(QDBusConnection sessionBus)
{
    std::unique_ptr<IdleTime> system;
    if (qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        system = X11IdleTime::open();
    }
    if (!system) {
        system = DBusIdleTime::open(sessionBus);
    }
    return std::make_unique<SessionIdleTime>(std::move(system), std::make_unique<InputIdleTime>());
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
    return reply.isValid() ? std::optional<double>(static_cast<double>(reply.value()) / 1000.0) : std::nullopt;
}

double DBusIdleTime::secondsSinceLastInput()
{
    // A desktop that stops answering is treated as busy: locking then waits for the next answer.
    return query().value_or(0);
}

InputIdleTime::InputIdleTime(std::function<qint64()> milliseconds)
    : m_milliseconds(std::move(milliseconds))
{
    if (!m_milliseconds) {
        m_milliseconds = [] {
            return std::chrono::duration_cast<std::chrono::milliseconds>(
                       std::chrono::steady_clock::now().time_since_epoch())
                .count();
        };
    }
    m_lastInput = m_milliseconds();
    QCoreApplication::instance()->installEventFilter(this);
}

double InputIdleTime::secondsSinceLastInput()
{
    return static_cast<double>(m_milliseconds() - m_lastInput) / 1000.0;
}

bool InputIdleTime::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::MouseButtonPress:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::TouchBegin:
        m_lastInput = m_milliseconds();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

SessionIdleTime::SessionIdleTime(std::unique_ptr<IdleTime> system, std::unique_ptr<InputIdleTime> own)
    : m_system(std::move(system))
    , m_own(std::move(own))
{
}

double SessionIdleTime::secondsSinceLastInput()
{
    const double own = m_own->secondsSinceLastInput();
    return m_system ? std::min(m_system->secondsSinceLastInput(), own) : own;
}

} // namespace wendle
