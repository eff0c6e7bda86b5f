// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "journal/EntryKeyStore.h"

#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>

namespace wendle {

class Authenticator;
class EntryStore;
class IdleTime;
class Keychain;
class SystemEvents;

/**
 * Keeps the journal locked unless its owner has just proved presence. Unlocking is an authentication followed
 * by fetching (or, for a journal that never had one, creating) the entry key from the keychain and proving it
 * is this journal's; the key is held only while unlocked. Sleep, display sleep, wake and five idle minutes lock
 * again; waking never unlocks.
 *
 * When the key is missing or foreign, `keyProblem` says so and the journal stays locked; the owner may then
 * restore the key from its recovery code or start over with a new key. Both ask for authentication first.
 *
 * A lock while the keychain is being asked wins: its late answer is dropped. A lock while the authentication
 * dialog is open does not end it, since its answer comes after the lock.
 */
class AppLockController : public QObject
{
    Q_OBJECT

public:
    static constexpr int idleCheckMilliseconds = 20'000;
    static constexpr double idleLockSeconds = 300.0;
    /** What the authentication dialog says it is for: "Authenticate to <reason>." */
    static QString reason() { return tr("unlock your journal"); }

    using Done = std::function<void(const EntryKeyResult&)>;

    /** Watches `events` and starts the idle check. All five must outlive the controller. */
    AppLockController(Authenticator& authenticator, Keychain& keychain, EntryStore& store, SystemEvents& events,
                      IdleTime& idle, QObject* parent = nullptr);

    /** The entry key while unlocked; null while locked. */
    std::shared_ptr<const EntryKey> key() const { return m_key; }
    bool isUnlocked() const { return m_key != nullptr; }
    /** The last unlock attempt failed to authenticate (a key problem after a good one is `keyProblem`). */
    bool authFailed() const { return m_authFailed; }
    bool authInFlight() const { return m_authInFlight; }
    /** What kept the last attempt from getting the key, when it was the key and not the authentication. */
    KeyProblem keyProblem() const { return m_keyProblem; }
    /** The keychain status behind `keyProblem`, for the details. */
    KeychainStatus keyStatus() const { return m_keyStatus; }

    /** Starts an unlock attempt, unless one is running or the journal is unlocked. */
    void unlock();
    /** Forgets the key, and drops the answer of a keychain still being asked. */
    void lock();

    /** One firing of the idle timer: locks after five minutes without input. */
    void checkIdle();

    /**
     * After authentication, puts `key` (read from a recovery code) back into the keychain and unlocks with it.
     * `done` hears how it went; a key of another journal is refused with `keyMismatch`.
     */
    void restoreFromRecoveryCode(std::shared_ptr<const EntryKey> key, Done done);
    /** After authentication, starts the journal over with a new key, keeping everything old (see replaceEntryKey). */
    void continueWithNewKey(Done done);
    /** After authentication, takes the key of this journal's copy on another computer (see joinEntryKey). */
    void joinWithRecoveryCode(std::shared_ptr<const EntryKey> key, Done done);
    /** Asks the owner to authenticate again while unlocked, before something that shows or reads everything. */
    void reauthenticate(std::function<void(bool authenticated)> done);

Q_SIGNALS:
    /** The key changed (a new key on unlock, null on lock). */
    void keyChanged();
    void authFailedChanged();
    void keyProblemChanged();
    /** A key was made just now; its recovery code should be shown once. Emitted after `keyChanged`. */
    void keyCreated();

private:
    void setAuthFailed(bool failed);
    void setKeyProblem(KeyProblem problem, KeychainStatus status);
    void finishAttempt(const EntryKeyResult& result);
    /** Authenticates, then runs `step` with a reply that ends the attempt; refused while an attempt runs. */
    void attempt(std::function<void(EntryKeyReply)> step, Done done);

    Authenticator& m_authenticator;
    Keychain& m_keychain;
    EntryStore& m_store;
    IdleTime& m_idle;
    QTimer m_idleTimer;
    std::shared_ptr<const EntryKey> m_key;
    bool m_authFailed = false;
    bool m_authInFlight = false;
    /** Authenticated, and waiting for the keychain. */
    bool m_fetchingKey = false;
    /** Numbers attempts, so that an answer to one a lock has ended is recognised. */
    quint64 m_attemptNumber = 0;
    KeyProblem m_keyProblem = KeyProblem::none;
    KeychainStatus m_keyStatus = KeychainStatus::Success;
};

} // namespace wendle
