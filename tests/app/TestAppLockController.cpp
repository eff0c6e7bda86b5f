// SPDX-License-Identifier: GPL-3.0-or-later
#include "journal/EntryCrypto.h"

#include "Fakes.h"

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
        m_rig->idle.seconds = seconds;
        m_rig->lock.checkIdle();
        QCoreApplication::processEvents();
        return !m_rig->lock.isUnlocked();
    }

    std::unique_ptr<LockRig> m_rig;
};

void TestAppLockController::init()
{
    m_rig = std::make_unique<LockRig>();
}

void TestAppLockController::unlocksOnceWithTheKeyFromTheKeychain()
{
    QSignalSpy keys(&m_rig->lock, &AppLockController::keyChanged);
    // Two quick requests start one authentication; once unlocked, asking again does nothing.
    m_rig->lock.unlock();
    m_rig->lock.unlock();
    QCOMPARE(m_rig->auth.calls, 1);
    QVERIFY(m_rig->lock.authInFlight());
    m_rig->auth.answer(true);
    QVERIFY(m_rig->lock.isUnlocked() && !m_rig->lock.authInFlight());
    QCOMPARE(keys.count(), 1);
    m_rig->lock.unlock();
    QCOMPARE(m_rig->auth.calls, 1);

    // Locking drops the key; unlocking brings the keychain's key back, never a new one.
    const QByteArray key = keyBytes(*m_rig->lock.key());
    m_rig->lock.lock();
    QVERIFY(!m_rig->lock.key());
    m_rig->lock.unlock();
    m_rig->auth.answer(true);
    QCOMPARE(keyBytes(*m_rig->lock.key()), key);
    QCOMPARE(m_rig->keychain.addCount(), 1);
}

void TestAppLockController::idleFiveMinutesLocks()
{
    m_rig->lock.unlock();
    m_rig->auth.answer(true);
    QVERIFY(!idleFor(299));
    QVERIFY(idleFor(300));

    // Locked, idleness never asks for authentication.
    idleFor(10'000);
    QCOMPARE(m_rig->auth.calls, 1);

    // The idle time is read when the timer fires, not when the check runs.
    m_rig->lock.unlock();
    m_rig->auth.answer(true);
    m_rig->idle.seconds = 100;
    m_rig->lock.checkIdle();
    m_rig->idle.seconds = 400;
    QCoreApplication::processEvents();
    QVERIFY(m_rig->lock.isUnlocked());
}

void TestAppLockController::sleepDisplaySleepAndWakeLock()
{
    // An announcement while authentication is under way does not cancel it.
    m_rig->lock.unlock();
    Q_EMIT m_rig->events.willSleep();
    QCoreApplication::processEvents();
    QVERIFY(m_rig->lock.authInFlight());
    m_rig->auth.answer(true);
    QVERIFY(m_rig->lock.isUnlocked());

    for (auto announce : {&SystemEvents::didWake, &SystemEvents::willSleep, &SystemEvents::screensDidSleep}) {
        m_rig->lock.unlock();
        m_rig->auth.answer(true);
        QVERIFY(m_rig->lock.isUnlocked());
        Q_EMIT(m_rig->events.*announce)();
        QTRY_VERIFY(!m_rig->lock.isUnlocked());
        QVERIFY(!m_rig->lock.authFailed());
    }
    // Waking never unlocks; only the sleep is told it may go ahead.
    Q_EMIT m_rig->events.didWake();
    QCoreApplication::processEvents();
    QVERIFY(!m_rig->lock.isUnlocked());
    QCOMPARE(m_rig->auth.calls, 3);
    QCOMPARE(m_rig->events.readyToSleepCalls, 2);
}

void TestAppLockController::failedAttemptsStayLocked()
{
    QSignalSpy failures(&m_rig->lock, &AppLockController::authFailedChanged);
    m_rig->lock.unlock();
    m_rig->auth.answer(false); // cancelled, or a wrong password
    QVERIFY(!m_rig->lock.isUnlocked());
    QVERIFY(m_rig->lock.authFailed());
    QVERIFY(!m_rig->lock.authInFlight());

    // The next attempt clears the failure at once, before anything is asked.
    m_rig->lock.unlock();
    QVERIFY(!m_rig->lock.authFailed());
    QVERIFY(m_rig->auth.pending);

    // A keychain that fails after a good authentication leaves it locked too.
    m_rig->keychain.failLookups(KeychainStatus::authFailed);
    m_rig->auth.answer(true);
    QVERIFY(!m_rig->lock.isUnlocked());
    QVERIFY(m_rig->lock.authFailed());
    QCOMPARE(failures.count(), 3);

    // Locking keeps the failure shown.
    m_rig->lock.lock();
    QVERIFY(m_rig->lock.authFailed());
}

QTEST_GUILESS_MAIN(TestAppLockController)
#include "TestAppLockController.moc"
