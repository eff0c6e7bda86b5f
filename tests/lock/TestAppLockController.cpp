// SPDX-License-Identifier: GPL-3.0-or-later
// The app lock over fakes of the desktop: authentication, the keychain, idle time, sleep and wake.
#include "lock/AppLockController.h"

#include "Fakes.h"

#include <QSignalSpy>
#include <QTest>

using namespace wendle;
using namespace wendle::test;

namespace {

/** A keychain whose lookups wait until the test lets them answer. */
class SlowKeychain : public Keychain
{
public:
    explicit SlowKeychain(Keychain& inner)
        : m_inner(inner)
    {
    }
    void lookup(const KeychainItem& item, LookupReply reply) override
    {
        m_waiting = [this, item, reply] { m_inner.lookup(item, reply); };
    }
    void add(const KeychainItem& item, const QByteArray& data, WriteReply reply) override
    {
        m_inner.add(item, data, std::move(reply));
    }
    void write(const KeychainItem& item, const QByteArray& data, WriteReply reply) override
    {
        m_inner.write(item, data, std::move(reply));
    }

    bool waiting() const { return bool(m_waiting); }
    void answer() { std::exchange(m_waiting, nullptr)(); }

private:
    Keychain& m_inner;
    std::function<void()> m_waiting;
};

} // namespace

class TestAppLockController : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { m_rig = std::make_unique<LockRig>(); }
    void cleanup() { m_rig.reset(); }
    void unlocksOnceWithTheKeyFromTheKeychain();
    void idleSleepAndScreenSleepLock();
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
    m_rig->unlockNow();
    QCOMPARE(keyBytes(*m_rig->lock.key()), key);
    QCOMPARE(m_rig->keychain.addCount(), 1);
}

void TestAppLockController::idleSleepAndScreenSleepLock()
{
    m_rig->unlockNow();
    QVERIFY(!idleFor(299));
    QVERIFY(idleFor(300));

    // The idle time is read when the timer fires, not when the check runs.
    m_rig->unlockNow();
    m_rig->idle.seconds = 100;
    m_rig->lock.checkIdle();
    m_rig->idle.seconds = 400;
    QCoreApplication::processEvents();
    QVERIFY(m_rig->lock.isUnlocked());
    m_rig->lock.lock();

    // An announcement while authentication is under way does not cancel it.
    m_rig->lock.unlock();
    Q_EMIT m_rig->events.willSleep();
    QCoreApplication::processEvents();
    QVERIFY(m_rig->lock.authInFlight());
    m_rig->auth.answer(true);

    for (auto announce : {&SystemEvents::didWake, &SystemEvents::willSleep, &SystemEvents::screensDidSleep}) {
        m_rig->unlockNow();
        QVERIFY(m_rig->lock.isUnlocked());
        Q_EMIT(m_rig->events.*announce)();
        QTRY_VERIFY(!m_rig->lock.isUnlocked());
        QVERIFY(!m_rig->lock.authFailed());
    }
    // Waking never unlocks; only the sleep is told it may go ahead.
    Q_EMIT m_rig->events.didWake();
    QCoreApplication::processEvents();
    QVERIFY(!m_rig->lock.isUnlocked());
    QCOMPARE(m_rig->auth.calls, 5);
    QCOMPARE(m_rig->events.readyToSleepCalls, 2);

    // A lock while the keychain is still being asked wins: its late answer opens nothing, and the next attempt
    // starts afresh.
    SlowKeychain slow(m_rig->keychain);
    AppLockController lock(m_rig->auth, slow, m_rig->store, m_rig->events, m_rig->idle);
    lock.unlock();
    m_rig->auth.answer(true);
    QVERIFY(slow.waiting());
    lock.lock();
    QVERIFY(!lock.authInFlight());
    slow.answer();
    QVERIFY(!lock.isUnlocked() && !lock.authFailed());
    lock.unlock();
    m_rig->auth.answer(true);
    slow.answer();
    QVERIFY(lock.isUnlocked());
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

    // Locking keeps the failure shown.
    m_rig->lock.lock();
    m_rig->auth.answer(false);
    m_rig->lock.lock();
    QVERIFY(m_rig->lock.authFailed());

    // A keychain that fails after a good authentication leaves it locked too, as a key problem and no failed
    // authentication.
    m_rig->lock.unlock();
    m_rig->keychain.failLookups(KeychainStatus::Failed);
    m_rig->auth.answer(true);
    QVERIFY(!m_rig->lock.isUnlocked());
    QVERIFY(!m_rig->lock.authFailed());
    QCOMPARE(m_rig->lock.keyProblem(), KeyProblem::keyringUnavailable);
    QCOMPARE(failures.count(), 4);
}

QTEST_GUILESS_MAIN(TestAppLockController)
#include "TestAppLockController.moc"
