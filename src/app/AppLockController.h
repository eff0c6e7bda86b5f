// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QTimer>

#include <memory>

namespace wendle {

class Authenticator;
class EntryKey;
class IdleTime;
class Keychain;
class SystemEvents;

/**
 * Keeps the journal locked unless its owner has just proved presence. Unlocking is an authentication followed
 * by fetching (or, the first time, creating) the entry key from the keychain; the key is held only while
 * unlocked. Sleep, display sleep, wake and five idle minutes lock again; waking never unlocks.
 */
class AppLockController : public QObject
{
    Q_OBJECT

public:
    static constexpr int idleCheckMilliseconds = 20'000;
    static constexpr double idleLockSeconds = 300.0;
    /** What the authentication dialog says it is for. */
    static inline const QString reason = QStringLiteral("unlock your journal");

    /** Watches `events` and starts the idle check. All four must outlive the controller. */
    AppLockController(Authenticator& authenticator, Keychain& keychain, SystemEvents& events, IdleTime& idle,
                      QObject* parent = nullptr);

    /** The entry key while unlocked; null while locked. */
    std::shared_ptr<const EntryKey> key() const { return m_key; }
    bool isUnlocked() const { return m_key != nullptr; }
    /** The last unlock attempt failed. */
    bool authFailed() const { return m_authFailed; }
    bool authInFlight() const { return m_authInFlight; }

    /** Starts an unlock attempt, unless one is running or the journal is unlocked. */
    void unlock();
    /** Forgets the key. */
    void lock();

    /** One firing of the idle timer: locks after five minutes without input. */
    void checkIdle();

Q_SIGNALS:
    /** The key changed (a new key on unlock, null on lock). */
    void keyChanged();
    void authFailedChanged();

private:
    void setAuthFailed(bool failed);
    void finishAttempt(std::shared_ptr<const EntryKey> key);

    Authenticator& m_authenticator;
    Keychain& m_keychain;
    IdleTime& m_idle;
    QTimer m_idleTimer;
    std::shared_ptr<const EntryKey> m_key;
    bool m_authFailed = false;
    bool m_authInFlight = false;
};

} // namespace wendle
