// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/AppLockController.h"
#include "app/LockView.h"
#include "app/MainWindow.h"
#include "app/RootView.h"
#include "app/SystemEvents.h"
#include "journal/Clock.h"
#include "journal/EntryCrypto.h"
#include "journal/EntryKeyStore.h"
#include "journal/EntryStore.h"
#include "reminders/ReminderScheduler.h"
#include "ui/PlainButton.h"
#include "writing/TodayView.h"

#include "Fakes.h"

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>

using namespace wendle;
using namespace wendle::test;

class TestRootView : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void asksAtOnceAndShowsFailure();
    void firstUnlockCreditsWordsOnce();
    void historyIsKeptAcrossLocks();
    void windowHandsPreferencesToTheScheduler();

private:
    QString statusLine(RootView& root) const;

    QTemporaryDir m_settings;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<EntryStore> m_store;
    std::unique_ptr<ReminderScheduler> m_scheduler;
    std::unique_ptr<FakeAuthenticator> m_auth;
    std::unique_ptr<InMemoryKeychain> m_keychain;
    std::unique_ptr<SystemEvents> m_events;
    std::unique_ptr<FakeIdleTime> m_idle;
    std::unique_ptr<AppLockController> m_lock;
    SystemClock m_clock;
};

void TestRootView::initTestCase()
{
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settings.path());
}

void TestRootView::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QString error;
    m_store = EntryStore::open(m_dir->filePath(QStringLiteral("journal.sqlite")), &error);
    QVERIFY2(m_store, qPrintable(error));
    m_scheduler = std::make_unique<ReminderScheduler>();
    m_auth = std::make_unique<FakeAuthenticator>();
    m_keychain = std::make_unique<InMemoryKeychain>();
    m_events = std::make_unique<SystemEvents>();
    m_idle = std::make_unique<FakeIdleTime>();
    m_lock = std::make_unique<AppLockController>(*m_auth, *m_keychain, *m_store, *m_events, *m_idle);
}

void TestRootView::cleanup()
{
    m_lock.reset();
    m_store.reset();
}

QString TestRootView::statusLine(RootView& root) const
{
    for (QLabel* label : root.findChildren<QLabel*>()) {
        if (label->accessibleName() == u"status") {
            return label->text();
        }
    }
    return QString();
}

void TestRootView::asksAtOnceAndShowsFailure()
{
    RootView root(*m_lock, *m_store, *m_scheduler, m_clock);
    QCOMPARE(m_auth->calls, 0);
    root.show();
    QTRY_COMPARE(m_auth->calls, 1);
    QVERIFY(qobject_cast<LockView*>(root.currentScreen()));
    QCOMPARE(statusLine(root), QStringLiteral("Unlock with Touch ID"));

    m_auth->answer(false);
    QCOMPARE(statusLine(root), QStringLiteral("Couldn't verify — try again"));
    QVERIFY(qobject_cast<LockView*>(root.currentScreen()));

    // The button asks again and the hint goes back at once.
    QTest::mouseClick(root.findChild<UnlockButton*>(), Qt::LeftButton);
    QCOMPARE(m_auth->calls, 2);
    QCOMPARE(statusLine(root), QStringLiteral("Unlock with Touch ID"));
    m_auth->answer(true);
    QVERIFY(qobject_cast<TodayView*>(root.currentScreen()));
}

void TestRootView::firstUnlockCreditsWordsOnce()
{
    // The entries are sealed with the key the keychain will hand out.
    const auto key = EntryKey::random();
    m_keychain->store(entryKeyItem, QByteArray(reinterpret_cast<const char*>(key->data()), 32));
    const auto add = [&](const QString& day, const QString& text, qint64 words) {
        return m_store->insert({QDateTime::currentDateTimeUtc(), day, QStringLiteral("memory-001"),
                                QStringLiteral("memory"), sealEntryText(text, *key), words});
    };
    Entry* uncounted = add(QStringLiteral("2024-03-01"), QString(25, u'w').replace(u'w', QStringLiteral("w ")), 0);
    Entry* empty = add(QStringLiteral("2024-03-02"), QString(), 0);
    Entry* counted = add(QStringLiteral("2024-03-03"), QStringLiteral("three short words"), 30);
    Entry* unreadable
        = m_store->insert({QDateTime::currentDateTimeUtc(), QStringLiteral("2024-03-04"), QStringLiteral("memory-001"),
                           QStringLiteral("memory"), sealEntryText(QStringLiteral("lost"), *EntryKey::random()), 0});
    QVERIFY(m_store->save());

    RootView root(*m_lock, *m_store, *m_scheduler, m_clock);
    root.show();
    QTRY_COMPARE(m_auth->calls, 1);
    m_auth->answer(true);
    QCOMPARE(uncounted->creditedWords(), 25);
    QCOMPARE(empty->creditedWords(), 0);
    QCOMPARE(counted->creditedWords(), 30);
    QCOMPARE(unreadable->creditedWords(), 0);
    QVERIFY(!m_store->hasUnsavedChanges());
    QCOMPARE(m_scheduler->completedDays(), (QSet<QString>{QStringLiteral("2024-03-01"), QStringLiteral("2024-03-03")}));

    // Locked and unlocked again in the same window: no second pass.
    m_store->setCreditedWords(uncounted, 0);
    m_lock->lock();
    QVERIFY(qobject_cast<LockView*>(root.currentScreen()));
    m_lock->unlock();
    m_auth->answer(true);
    QCOMPARE(uncounted->creditedWords(), 0);
}

void TestRootView::historyIsKeptAcrossLocks()
{
    RootView root(*m_lock, *m_store, *m_scheduler, m_clock);
    root.show();
    QTRY_COMPARE(m_auth->calls, 1);
    m_auth->answer(true);
    QPointer<TodayView> today = root.todayView();
    QVERIFY(today);

    for (PlainButton* button : today ? today->findChildren<PlainButton*>() : QList<PlainButton*>()) {
        if (button->accessibleName() == u"history") {
            QTest::mouseClick(button, Qt::LeftButton);
            break;
        }
    }
    QVERIFY(root.showingHistory());
    QTRY_VERIFY(!today); // the Today screen and its text are gone

    // Locking shows the lock screen; unlocking returns to the history.
    m_lock->lock();
    QVERIFY(qobject_cast<LockView*>(root.currentScreen()));
    m_lock->unlock();
    m_auth->answer(true);
    QVERIFY(root.showingHistory());
    QVERIFY(!qobject_cast<LockView*>(root.currentScreen()));

    for (PlainButton* button : root.findChildren<PlainButton*>()) {
        if (button->accessibleName() == u"back" && button->isVisible()) {
            QTest::mouseClick(button, Qt::LeftButton);
            break;
        }
    }
    QVERIFY(!root.showingHistory());
    QVERIFY(qobject_cast<TodayView*>(root.currentScreen()));

    // Locking takes the Today screen down with the key.
    today = root.todayView();
    m_lock->lock();
    QVERIFY(!today);
}

void TestRootView::windowHandsPreferencesToTheScheduler()
{
    const Preferences preferences;
    QSettings(QStringLiteral("wendle"), QStringLiteral("wendle")).clear();
    MainWindow window(*m_lock, *m_store, *m_scheduler, m_clock, preferences);
    m_scheduler->configure(false, 1, 2, true, 3, 4);
    window.show();
    QCOMPARE(m_scheduler->configuration(), (ReminderPreferences{true, 15, 0, false, 21, 0}));
    QCOMPARE(window.size(), QSize(680, 560));
    QCOMPARE(window.minimumSizeHint().expandedTo(window.minimumSize()).boundedTo(QSize(680, 560)), QSize(680, 560));
}

QTEST_MAIN(TestRootView)
#include "TestRootView.moc"
