// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "journal/EntryKeyStore.h"
#include "journal/Keychain.h"
#include "lock/AppLockController.h"
#include "lock/Authenticator.h"
#include "lock/IdleTime.h"
#include "lock/SystemEvents.h"
#include "reminders/ReminderScheduler.h"

#include "TempJournal.h"

#include <QTest>
#include <QWidget>

#include <functional>

namespace wendle::test {

/** An authenticator answered by the test. */
class FakeAuthenticator : public Authenticator
{
public:
    void authenticate(const QString&, Reply reply) override
    {
        ++calls;
        pending = std::move(reply);
    }

    /** Answers the pending request. */
    void answer(bool authenticated)
    {
        Reply reply = std::move(pending);
        pending = nullptr;
        if (reply) {
            reply(authenticated);
        }
    }

    int calls = 0;
    Reply pending;
};

/** Announcements sent by the test; `whenReadyToSleep` looks at the journal when sleep is let go ahead. */
class FakeSystemEvents : public SystemEvents
{
public:
    void readyToSleep() override
    {
        ++readyToSleepCalls;
        if (whenReadyToSleep) {
            whenReadyToSleep();
        }
    }

    int readyToSleepCalls = 0;
    std::function<void()> whenReadyToSleep;
};

/** Idle time set by the test. */
class FakeIdleTime : public IdleTime
{
public:
    double secondsSinceLastInput() override { return seconds; }
    double seconds = 0;
};

/** A journal behind the lock, with the keyring in memory and everything else the lock listens to faked. */
struct LockRig
{
    TempJournal journal;
    EntryStore& store = *journal.store;
    ReminderScheduler scheduler;
    FakeAuthenticator auth;
    InMemoryKeychain keychain;
    FakeSystemEvents events;
    FakeIdleTime idle;
    AppLockController lock{auth, keychain, store, events, idle};

    /** Puts the journal's own key in the keyring, as an earlier unlock left it. */
    void keepKey() { keychain.store(entryKeyItem, keyBytes(*journal.key)); }

    /** Asks to unlock, and lets the password through. */
    void unlockNow()
    {
        lock.unlock();
        auth.answer(true);
    }

    /** Shows `window`, which asks for the password at once, and lets that through; false when nothing asked. */
    bool showAndUnlock(QWidget& window)
    {
        window.show();
        if (!QTest::qWaitFor([this] { return bool(auth.pending); }, 5000)) {
            return false;
        }
        auth.answer(true);
        return true;
    }
};

} // namespace wendle::test
