// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/AppLockController.h"

#include "app/Authenticator.h"
#include "app/IdleTime.h"
#include "app/SystemEvents.h"
#include "journal/EntryKeyStore.h"

#include <QPointer>

namespace wendle {

AppLockController::AppLockController(Authenticator& authenticator, Keychain& keychain, SystemEvents& events,
                                     IdleTime& idle, QObject* parent)
    : QObject(parent)
    , m_authenticator(authenticator)
    , m_keychain(keychain)
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
    if (m_authInFlight || isUnlocked()) {
        return;
    }
    m_authInFlight = true;
    setAuthFailed(false);
    QPointer<AppLockController> self(this);
    m_authenticator.authenticate(reason, [self](bool authenticated) {
        if (!self) {
            return;
        }
        if (!authenticated) {
            self->finishAttempt(nullptr);
            return;
        }
        loadOrCreateEntryKey(self->m_keychain, [self](EntryKeyResult result) {
            if (self) {
                self->finishAttempt(result.key);
            }
        });
    });
}

void AppLockController::finishAttempt(std::shared_ptr<const EntryKey> key)
{
    m_authInFlight = false;
    if (!key) {
        setAuthFailed(true);
        return;
    }
    m_key = std::move(key);
    Q_EMIT keyChanged();
}

void AppLockController::lock()
{
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

void AppLockController::setAuthFailed(bool failed)
{
    if (failed == m_authFailed) {
        return;
    }
    m_authFailed = failed;
    Q_EMIT authFailedChanged();
}

} // namespace wendle
