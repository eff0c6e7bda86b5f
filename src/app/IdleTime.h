// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusConnection>
#include <QElapsedTimer>
#include <QObject>

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
     * The best source the session offers: the X server's screen-saver extension, GNOME's idle monitor or the
     * freedesktop screen saver on Wayland, and as a last resort the input this process itself received.
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

/** A desktop's idle time over D-Bus: GNOME's Mutter idle monitor or the freedesktop screen saver. */
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
    InputIdleTime();
    double secondsSinceLastInput() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QElapsedTimer m_sinceInput;
};

} // namespace wendle
