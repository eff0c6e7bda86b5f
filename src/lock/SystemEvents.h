// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusConnection>
#include <QDBusUnixFileDescriptor>
#include <QObject>

namespace wendle {

/** The three moments at which the journal must lock. */
class SystemEvents : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

public Q_SLOTS:
    /** Answers `willSleep`: the journal is locked and its screens are gone, so the machine may sleep now. */
    virtual void readyToSleep() { }

Q_SIGNALS:
    void willSleep();
    void screensDidSleep();
    void didWake();
};

/**
 * The system's sleep, wake and screen-lock announcements over D-Bus:
 * - logind's `PrepareForSleep(true/false)` on the system bus, with a "delay" sleep inhibitor held while awake
 *   and handed back only at `readyToSleep`, so the key is dropped before the machine sleeps;
 * - the screen saver's `ActiveChanged(true)` (freedesktop and GNOME) and the logind session's `Lock`.
 * Either bus may be missing or lack these services: then nothing is announced and idleness alone locks.
 */
class DBusSystemEvents : public SystemEvents
{
    Q_OBJECT

public:
    DBusSystemEvents(QDBusConnection systemBus, QDBusConnection sessionBus, QObject* parent = nullptr);
    /** Announces nothing until `listen`. */
    explicit DBusSystemEvents(QObject* parent = nullptr);

    /** Follows the announcements on these buses from now on; once. */
    void listen(QDBusConnection systemBus, QDBusConnection sessionBus);

    /** Whether a sleep inhibitor is held right now. */
    bool holdsSleepInhibitor() const { return m_inhibitor.isValid(); }

    void readyToSleep() override;

private Q_SLOTS:
    void onPrepareForSleep(bool sleeping);
    void onScreenSaverActiveChanged(bool active);
    void onSessionLock();

private:
    void takeSleepInhibitor();

    QDBusConnection m_system{QString()};
    QDBusConnection m_session{QString()};
    QDBusUnixFileDescriptor m_inhibitor;
    bool m_sleepAnnounced = false;
};

} // namespace wendle
