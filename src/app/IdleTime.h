// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusConnection>
#include <QObject>

#include <functional>
#include <memory>
#include <optional>

namespace wendle {

/** How long the user has not touched keyboard or pointer, anywhere in the session. */
class IdleTime
{
public:
    virtual ~IdleTime() = default;
    virtual double secondsSinceLastInput() = 0;

    /**
     * The best source the session offers (the X server's screen-saver extension, else GNOME's idle monitor or
     * the freedesktop screen saver), never longer than the time since this process's own last input, which
     * serves alone where the session offers nothing. Under Wayland the X server, if any, is XWayland, which
     * sees only X clients' input: its counter is never used there.
     */
    static std::unique_ptr<IdleTime> forSession(QDBusConnection sessionBus);
};

/** The X server's idle counter (MIT-SCREEN-SAVER). */
class X11IdleTime final : public IdleTime
{
public:
    /** Nothing when there is no X server or it lacks the extension. */
    static std::unique_ptr<X11IdleTime> open();
    ~X11IdleTime() override;
    double secondsSinceLastInput() override;

private:
    explicit X11IdleTime(void* display);
    void* m_display;
};

/**
 * A desktop's idle time over D-Bus: GNOME's Mutter idle monitor or the freedesktop screen saver
 * (`GetSessionIdleTime`, which KDE answers in milliseconds).
 */
class DBusIdleTime final : public IdleTime
{
public:
    /** Nothing when neither service answers. */
    static std::unique_ptr<DBusIdleTime> open(QDBusConnection sessionBus);
    double secondsSinceLastInput() override;

private:
    enum class Source
    {
        mutter,
        screenSaver
    };
    DBusIdleTime(QDBusConnection bus, Source source);
    std::optional<double> query();

    QDBusConnection m_bus;
    Source m_source;
};

/** Time since the last keyboard or pointer event this application received. */
class InputIdleTime final : public QObject, public IdleTime
{
public:
    /** `milliseconds` reads a monotonic clock; by default the system's. */
    explicit InputIdleTime(std::function<qint64()> milliseconds = {});
    double secondsSinceLastInput() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::function<qint64()> m_milliseconds;
    qint64 m_lastInput;
};

/**
 * A session's idle time capped by this application's own input: a source that misses Wendle's typing
 * (XWayland's counter, a desktop's monitor that fails) can then never lock the journal under the user's hands.
 */
class SessionIdleTime final : public IdleTime
{
public:
    /** `system` may be null: then the application's own input alone counts. */
    SessionIdleTime(std::unique_ptr<IdleTime> system, std::unique_ptr<InputIdleTime> own);
    double secondsSinceLastInput() override;

private:
    std::unique_ptr<IdleTime> m_system;
    std::unique_ptr<InputIdleTime> m_own;
};

} // namespace wendle
