// SPDX-License-Identifier: GPL-3.0-or-later
#include "lock/IdleTime.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusReply>
#include <QEvent>

#include <algorithm>
#include <chrono>
#include <optional>
#include <utility>

namespace wendle {

std::unique_ptr<IdleTime> IdleTime::forSession(QDBusConnection sessionBus)
{
    return std::make_unique<SessionIdleTime>(desktopSource(std::move(sessionBus)), std::make_unique<InputIdleTime>());
}

std::unique_ptr<DesktopIdleTime> IdleTime::desktopSource(QDBusConnection sessionBus)
{
    std::unique_ptr<DesktopIdleTime> desktop;
    if (qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        desktop = X11IdleTime::open();
    }
    if (!desktop) {
        desktop = DBusIdleTime::open(std::move(sessionBus));
    }
    return desktop;
}

namespace {

const QString kMutterService = QStringLiteral("org.gnome.Mutter.IdleMonitor");
const QString kScreenSaverService = QStringLiteral("org.freedesktop.ScreenSaver");

} // namespace

DBusIdleTime::DBusIdleTime(QDBusConnection bus, std::vector<Source> sources)
    : m_bus(std::move(bus))
    , m_sources(std::move(sources))
{
}

DBusIdleTime::~DBusIdleTime() = default;

std::unique_ptr<DBusIdleTime> DBusIdleTime::open(QDBusConnection sessionBus)
{
    if (!sessionBus.isConnected() || !sessionBus.interface()) {
        return nullptr;
    }
    // The bus daemon answers for the names; a hung desktop service cannot hold this up.
    std::vector<Source> sources;
    for (const auto& [source, service] :
         {std::pair{Source::mutter, kMutterService}, std::pair{Source::screenSaver, kScreenSaverService}}) {
        const QDBusReply<bool> registered = sessionBus.interface()->isServiceRegistered(service);
        if (registered.isValid() && registered.value()) {
            sources.push_back(source);
        }
    }
    if (sources.empty()) {
        return nullptr;
    }
    std::unique_ptr<DBusIdleTime> idle(new DBusIdleTime(std::move(sessionBus), std::move(sources)));
    idle->ask();
    return idle;
}

void DBusIdleTime::ask()
{
    const QDBusMessage call = m_sources.front() == Source::mutter
        ? QDBusMessage::createMethodCall(kMutterService, QStringLiteral("/org/gnome/Mutter/IdleMonitor/Core"),
                                         kMutterService, QStringLiteral("GetIdletime"))
        : QDBusMessage::createMethodCall(kScreenSaverService, QStringLiteral("/org/freedesktop/ScreenSaver"),
                                         kScreenSaverService, QStringLiteral("GetSessionIdleTime"));
    // The previous watcher has delivered its answer by now: m_asking is cleared only then.
    m_question = std::make_unique<QDBusPendingCallWatcher>(m_bus.asyncCall(call, replyTimeoutMilliseconds));
    m_asking = true;
    QObject::connect(m_question.get(), &QDBusPendingCallWatcher::finished, m_question.get(),
                     [this](QDBusPendingCallWatcher* watcher) { take(*watcher); });
}

void DBusIdleTime::take(QDBusPendingCallWatcher& watcher)
{
    m_asking = false;
    // Both answer in milliseconds, Mutter as 64 bits, the screen saver as 32.
    std::optional<quint64> milliseconds;
    if (m_sources.front() == Source::mutter) {
        const QDBusPendingReply<quint64> reply = watcher;
        if (reply.isValid()) {
            milliseconds = reply.value();
        }
    } else {
        const QDBusPendingReply<quint32> reply = watcher;
        if (reply.isValid()) {
            milliseconds = reply.value();
        }
    }
    if (milliseconds) {
        m_lastAnswer = static_cast<double>(*milliseconds) / 1000.0;
        m_sinceAnswer.start();
        return;
    }
    // A service that refuses the question gives way to the next, as long as none has answered yet. One that is
    // merely slow keeps its place.
    const QDBusError::ErrorType error = watcher.error().type();
    if (!m_lastAnswer && m_sources.size() > 1 && error != QDBusError::NoReply && error != QDBusError::Timeout) {
        m_sources.erase(m_sources.begin());
    }
}

std::optional<double> DBusIdleTime::secondsSinceLastInput()
{
    if (!m_asking) {
        ask();
    }
    if (!m_lastAnswer) {
        return std::nullopt;
    }
    return *m_lastAnswer + static_cast<double>(m_sinceAnswer.elapsed()) / 1000.0;
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

SessionIdleTime::SessionIdleTime(std::unique_ptr<DesktopIdleTime> desktop, std::unique_ptr<InputIdleTime> own)
    : m_desktop(std::move(desktop))
    , m_own(std::move(own))
{
}

void SessionIdleTime::setDesktop(std::unique_ptr<DesktopIdleTime> desktop)
{
    m_desktop = std::move(desktop);
}

double SessionIdleTime::secondsSinceLastInput()
{
    const double own = m_own->secondsSinceLastInput();
    const std::optional<double> desktop = m_desktop ? m_desktop->secondsSinceLastInput() : std::nullopt;
    return desktop ? std::min(*desktop, own) : own;
}

} // namespace wendle
