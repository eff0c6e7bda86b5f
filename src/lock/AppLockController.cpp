// SPDX-License-Identifier: GPL-3.0-or-later
#include "lock/AppLockController.h"

#include "journal/EntryStore.h"
#include "lock/Authenticator.h"
#include "lock/IdleTime.h"
#include "lock/SystemEvents.h"

#include <QPointer>

namespace wendle {

AppLockController::AppLockController(Authenticator& authenticator, Keychain& keychain, EntryStore& store,
                                     SystemEvents& events, IdleTime& idle, QObject* parent)
    : QObject(parent)
    , m_authenticator(authenticator)
    , m_keychain(keychain)
    , m_store(store)
    , m_idle(idle)
{
    // Queued: the announcement only schedules the lock on this object's thread.
    for (auto signal : {&SystemEvents::screensDidSleep, &SystemEvents::didWake}) {
        connect(&events, signal, this, &AppLockController::lock, Qt::QueuedConnection);
    }
    // The machine may sleep once the lock has run: the key and the screens that held it are gone by then.
    connect(
        &events, &SystemEvents::willSleep, this,
        [this, &events] {
            lock();
            events.readyToSleep();
        },
        Qt::QueuedConnection);
    m_idleTimer.setInterval(idleCheckMilliseconds);
    connect(&m_idleTimer, &QTimer::timeout, this, &AppLockController::checkIdle);
    m_idleTimer.start();
}

void AppLockController::unlock()
{
    if (isUnlocked()) {
        return;
    }
    attempt([this](EntryKeyReply reply) { loadOrCreateEntryKey(m_keychain, m_store, std::move(reply)); }, {});
}

void AppLockController::restoreFromRecoveryCode(std::shared_ptr<const EntryKey> key, Done done)
{
    attempt([this, key](EntryKeyReply reply) { restoreEntryKey(m_keychain, m_store, key, std::move(reply)); },
            std::move(done));
}

void AppLockController::joinWithRecoveryCode(std::shared_ptr<const EntryKey> key, Done done)
{
    attempt([this, key](EntryKeyReply reply) { joinEntryKey(m_keychain, m_store, key, m_key, std::move(reply)); },
            std::move(done));
}

void AppLockController::continueWithNewKey(Done done)
{
    attempt([this](EntryKeyReply reply) { replaceEntryKey(m_keychain, m_store, std::move(reply)); }, std::move(done));
}

void AppLockController::attempt(std::function<void(EntryKeyReply)> step, Done done)
{
    if (m_authInFlight) {
        if (done) {
            done({nullptr, std::nullopt, KeyProblem::none, false});
        }
        return;
    }
    m_authInFlight = true;
    setAuthFailed(false);
    const quint64 number = ++m_attemptNumber;
    QPointer<AppLockController> self(this);
    m_authenticator.authenticate(reason(),
                                 [self, number, step = std::move(step), done = std::move(done)](bool authenticated) {
                                     if (!self) {
                                         return;
                                     }
                                     if (!authenticated) {
                                         self->finishAttempt({});
                                         if (done) {
                                             done({});
                                         }
                                         return;
                                     }
                                     self->m_fetchingKey = true;
                                     step([self, number, done](EntryKeyResult result) {
                                         if (!self) {
                                             return;
                                         }
                                         if (number != self->m_attemptNumber) {
                                             // A lock came while the keychain was asked: the key it hands over now
                                             // opens nothing.
                                             if (done) {
                                                 done({});
                                             }
                                             return;
                                         }
                                         self->m_fetchingKey = false;
                                         self->finishAttempt(result);
                                         if (done) {
                                             done(result);
                                         }
                                     });
                                 });
}

void AppLockController::reauthenticate(std::function<void(bool authenticated)> done)
{
    if (m_authInFlight || !isUnlocked()) {
        done(false);
        return;
    }
    m_authInFlight = true;
    QPointer<AppLockController> self(this);
    m_authenticator.authenticate(reason(), [self, done = std::move(done)](bool authenticated) {
        if (!self) {
            return;
        }
        self->m_authInFlight = false;
        // Locked while the question was open: the answer no longer opens anything.
        done(authenticated && self->isUnlocked());
    });
}

void AppLockController::finishAttempt(const EntryKeyResult& result)
{
    m_authInFlight = false;
    if (!result.key) {
        // An authentication that failed says nothing new about the key; a key problem replaces the last one,
        // and is no failed authentication: the owner was recognised.
        if (result.error) {
            setKeyProblem(result.problem, result.error->status());
        } else {
            setAuthFailed(true);
        }
        return;
    }
    setKeyProblem(KeyProblem::none, KeychainStatus::Success);
    m_key = result.key;
    Q_EMIT keyChanged();
    if (result.created) {
        Q_EMIT keyCreated();
    }
}

void AppLockController::lock()
{
    if (m_fetchingKey) {
        // The authentication before this lock no longer counts; an authentication still open does, as it is
        // answered after the lock.
        m_fetchingKey = false;
        m_authInFlight = false;
        ++m_attemptNumber;
    }
    // Published even when already locked, as every announcement is.
    m_key.reset();
    Q_EMIT keyChanged();
}

void AppLockController::checkIdle()
{
    // Read now, when the timer fires; act on it in a task of its own.
    const double idle = m_idle.secondsSinceLastInput();
    QMetaObject::invokeMethod(
        this,
        [this, idle] {
            if (isUnlocked() && idle >= idleLockSeconds) {
                lock();
            }
        },
        Qt::QueuedConnection);
}

void AppLockController::setKeyProblem(KeyProblem problem, KeychainStatus status)
{
    if (problem == m_keyProblem && status == m_keyStatus) {
        return;
    }
    m_keyProblem = problem;
    m_keyStatus = status;
    Q_EMIT keyProblemChanged();
}

void AppLockController::setAuthFailed(bool failed)
{
    if (failed == m_authFailed) {
        return;
    }
    m_authFailed = failed;
    Q_EMIT authFailedChanged();
}

} // namespace wendle
