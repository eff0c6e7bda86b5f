// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/AppLockController.h"
#include "app/SystemEvents.h"
#include "journal/EntryCrypto.h"
#include "journal/EntryKeyStore.h"

#include "Fakes.h"
#include "TempJournal.h"

#include <QCoreApplication>
#include <QSignalSpy>
#include <QTest>

using namespace wendle;
using namespace wendle::test;

class TestAppLockController : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void unlocksOnceWithTheKeyFromTheKeychain();
    void idleFiveMinutesLocks();
    void sleepDisplaySleepAndWakeLock();
    void failedAttemptsStayLocked();

private:
    /** Runs the idle check as its timer does with the given idle time; true when that locked the journal. */
    bool idleFor(double seconds)
    {
        m_idle->seconds = seconds;
        m_lock->checkIdle();
        QCoreApplication::processEvents();
        return !m_lock->isUnlocked();
    }

    std::unique_ptr<FakeAuthenticator> m_auth;
    std::unique_ptr<InMemoryKeychain> m_keychain;
    std::unique_ptr<FakeSystemEvents> m_events;
    std::unique_ptr<FakeIdleTime> m_idle;
    std::unique_ptr<TempJournal> m_journal;
    std::unique_ptr<AppLockController> m_lock;
};

void TestAppLockController::init()
{
    m_lock.reset();
    m_auth = std::make_unique<FakeAuthenticator>();
    m_keychain = std::make_unique<InMemoryKeychain>();
    m_events = std::make_unique<FakeSystemEvents>();
    m_idle = std::make_unique<FakeIdleTime>();
    m_journal = std::make_unique<TempJournal>();
    m_lock = std::make_unique<AppLockController>(*m_auth, *m_keychain, *m_journal->store, *m_events, *m_idle);
}

void TestAppLockController::unlocksOnceWithTheKeyFromTheKeychain()
{
    QSignalSpy keys(m_lock.get(), &AppLockController::keyChanged);
    // Two quick requests start one authentication; once unlocked, asking again does nothing.
    m_lock->unlock();
    m_lock->unlock();
    QCOMPARE(m_auth->calls, 1);
    QVERIFY(m_lock->authInFlight());
    m_auth->answer(true);
    QVERIFY(m_lock->isUnlocked() && !m_lock->authInFlight());
    QCOMPARE(keys.count(), 1);
    m_lock->unlock();
    QCOMPARE(m_auth->calls, 1);

    // Locking drops the key; unlocking brings the keychain's key back, never a new one.
    const QByteArray key = keyBytes(*m_lock->key());
    m_lock->lock();
    QVERIFY(!m_lock->key());
    m_lock->unlock();
    m_auth->answer(true);
    QCOMPARE(keyBytes(*m_lock->key()), key);
    QCOMPARE(m_keychain->addCount(), 1);
}

void TestAppLockController::idleFiveMinutesLocks()
{
    m_lock->unlock();
    m_auth->answer(true);
    QVERIFY(!idleFor(299));
    QVERIFY(idleFor(300));

    // Locked, idleness never asks for authentication.
    idleFor(10'000);
    QCOMPARE(m_auth->calls, 1);

    // The idle time is read when the timer fires, not when the check runs.
    m_lock->unlock();
    m_auth->answer(true);
    m_idle->seconds = 100;
    m_lock->checkIdle();
    m_idle->seconds = 400;
    QCoreApplication::processEvents();
    QVERIFY(m_lock->isUnlocked());
}

void TestAppLockController::sleepDisplaySleepAndWakeLock()
{
    // An announcement while authentication is under way does not cancel it.
    m_lock->unlock();
    Q_EMIT m_events->willSleep();
    QCoreApplication::processEvents();
    QVERIFY(m_lock->authInFlight());
    m_auth->answer(true);
    QVERIFY(m_lock->isUnlocked());

    for (auto announce : {&SystemEvents::didWake, &SystemEvents::willSleep, &SystemEvents::screensDidSleep}) {
        m_lock->unlock();
        m_auth->answer(true);
        QVERIFY(m_lock->isUnlocked());
        Q_EMIT(m_events.get()->*announce)();
        QTRY_VERIFY(!m_lock->isUnlocked());
        QVERIFY(!m_lock->authFailed());
    }
    // Waking never unlocks; only the sleep is told it may go ahead.
    Q_EMIT m_events->didWake();
    QCoreApplication::processEvents();
    QVERIFY(!m_lock->isUnlocked());
    QCOMPARE(m_auth->calls, 3);
    QCOMPARE(m_events->readyToSleepCalls, 2);
}

void TestAppLockController::failedAttemptsStayLocked()
{
    QSignalSpy failures(m_lock.get(), &AppLockController::authFailedChanged);
    m_lock->unlock();
    m_auth->answer(false); // cancelled, or a wrong password
    QVERIFY(!m_lock->isUnlocked());
    QVERIFY(m_lock->authFailed());
    QVERIFY(!m_lock->authInFlight());

    // The next attempt clears the failure at once, before anything is asked.
    m_lock->unlock();
    QVERIFY(!m_lock->authFailed());
    QVERIFY(m_auth->pending);

    // A keychain that fails after a good authentication leaves it locked too.
    m_keychain->failLookups(KeychainStatus::authFailed);
    m_auth->answer(true);
    QVERIFY(!m_lock->isUnlocked());
    QVERIFY(m_lock->authFailed());
    QCOMPARE(failures.count(), 3);

    // Locking keeps the failure shown.
    m_lock->lock();
    QVERIFY(m_lock->authFailed());
}

QTEST_GUILESS_MAIN(TestAppLockController)
#include "TestAppLockController.moc"
