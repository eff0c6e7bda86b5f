// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusConnection>
#include <QElapsedTimer>
#include <QObject>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QDBusPendingCallWatcher;

namespace wendle {

class DesktopIdleTime;

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
    [[nodiscard]] static std::unique_ptr<IdleTime> forSession(QDBusConnection sessionBus);
    /** The session's own source of `forSession`, without this process's input; null where there is none. */
    [[nodiscard]] static std::unique_ptr<DesktopIdleTime> desktopSource(QDBusConnection sessionBus);
};

/**
 * The whole session's idle time as the desktop counts it. Nothing when it does not know (yet): the application's
 * own input is then all there is to go by.
 */
class DesktopIdleTime
{
public:
    virtual ~DesktopIdleTime() = default;
    [[nodiscard]] virtual std::optional<double> secondsSinceLastInput() = 0;
};

/** The X server's idle counter (MIT-SCREEN-SAVER). */
class X11IdleTime final : public DesktopIdleTime
{
public:
    /** Nothing when there is no X server or it lacks the extension. */
    [[nodiscard]] static std::unique_ptr<X11IdleTime> open();
    ~X11IdleTime() override;
    std::optional<double> secondsSinceLastInput() override;

private:
    explicit X11IdleTime(void* display);
    void* m_display;
};

/**
 * A desktop's idle time over D-Bus: GNOME's Mutter idle monitor or the freedesktop screen saver
 * (`GetSessionIdleTime`, which KDE answers in milliseconds).
 *
 * Never waits for the desktop, so a hung shell cannot freeze the window: a read returns the latest answer, aged
 * by the time since it arrived as if nobody had touched anything since, and asks again unless a question is still
 * out. An answer is therefore up to one read interval old. Nothing is known before the first answer.
 */
class DBusIdleTime final : public DesktopIdleTime
{
public:
    /**
     * How long one question may stay unanswered. D-Bus then drops it, a later answer with it, and the next read
     * asks again.
     */
    static constexpr int replyTimeoutMilliseconds = 10'000;

    /**
     * Nothing when neither service is on the bus. Asks only the bus daemon which names are taken, never the
     * services themselves, then sends the first question.
     */
    [[nodiscard]] static std::unique_ptr<DBusIdleTime> open(QDBusConnection sessionBus);
    ~DBusIdleTime() override;
    std::optional<double> secondsSinceLastInput() override;

private:
    enum class Source
    {
        mutter,
        screenSaver
    };
    DBusIdleTime(QDBusConnection bus, std::vector<Source> sources);
    void ask();
    void take(QDBusPendingCallWatcher& watcher);

    QDBusConnection m_bus;
    /** The services on the bus, preferred first. Until one answers, one that refuses the question gives way. */
    std::vector<Source> m_sources;
    std::unique_ptr<QDBusPendingCallWatcher> m_question;
    bool m_asking = false;
    std::optional<double> m_lastAnswer;
    QElapsedTimer m_sinceAnswer;
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
    /** `desktop` may be null: then, as while it knows nothing, the application's own input alone counts. */
    SessionIdleTime(std::unique_ptr<DesktopIdleTime> desktop, std::unique_ptr<InputIdleTime> own);
    double secondsSinceLastInput() override;

    /** Takes the desktop's idle time from now on; null: the application's own input alone. */
    void setDesktop(std::unique_ptr<DesktopIdleTime> desktop);

private:
    std::unique_ptr<DesktopIdleTime> m_desktop;
    std::unique_ptr<InputIdleTime> m_own;
};

} // namespace wendle
