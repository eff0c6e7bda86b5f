// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/AppLockController.h"
#include "app/LockView.h"
#include "app/MainWindow.h"
#include "app/RecoveryCodeDialog.h"
#include "app/RecoveryCodeSheet.h"
#include "app/RootView.h"
#include "app/SystemEvents.h"
#include "journal/Clock.h"
#include "journal/EntryCrypto.h"
#include "journal/EntryKeyStore.h"
#include "journal/EntryStore.h"
#include "journal/RecoveryCode.h"
#include "reminders/ReminderScheduler.h"
#include "ui/PlainButton.h"
#include "ui/PlainTextEditor.h"
#include "writing/TodayView.h"

#include "Fakes.h"
#include "TempJournal.h"
#include "Widgets.h"

#include <QAccessible>
#include <QAnimationDriver>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>

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
    void ringBreathesEveryThreeSeconds();
    void firstUnlockCreditsWordsBeforeTheRecap();
    void historyIsKeptAcrossLocks();
    void sleepWaitsForTheLock();
    void windowHandsPreferencesToTheScheduler();
    void aMissingKeyIsRestoredFromItsCode();
    void theRecoveryCodeIsShownOnceThenOnlyAfterAsking();

private:
    /** Shows the window and lets the first authentication through. */
    void showAndUnlock(QWidget& window)
    {
        window.show();
        QTRY_COMPARE(m_auth->calls, 1);
        m_auth->answer(true);
    }

    QTemporaryDir m_settings;
    std::unique_ptr<test::TempJournal> m_journal;
    EntryStore* m_store = nullptr;
    std::unique_ptr<ReminderScheduler> m_scheduler;
    std::unique_ptr<FakeAuthenticator> m_auth;
    std::unique_ptr<InMemoryKeychain> m_keychain;
    std::unique_ptr<FakeSystemEvents> m_events;
    std::unique_ptr<FakeIdleTime> m_idle;
    std::unique_ptr<AppLockController> m_lock;
    ManualClock m_clock{QDateTime(QDate(2026, 3, 5), QTime(10, 0), QTimeZone("Europe/Berlin")).toUTC()};
};

namespace {

/** What a screen reader hears of the visible texts: their accessible names. */
QStringList spoken(QWidget* root)
{
    QStringList names;
    for (QLabel* label : root->findChildren<QLabel*>()) {
        if (label->isVisibleTo(root)) {
            names << QAccessible::queryAccessibleInterface(label)->text(QAccessible::Name);
        }
    }
    return names;
}

/** Animation time that moves only when the test says so. */
class SteppedAnimationDriver : public QAnimationDriver
{
public:
    qint64 elapsed() const override { return m_elapsed; }
    void step(qint64 milliseconds)
    {
        m_elapsed += milliseconds;
        advance();
    }

private:
    qint64 m_elapsed = 0;
};

} // namespace

void TestRootView::initTestCase()
{
    qputenv("TZ", "Europe/Berlin");
    qputenv("LC_ALL", "en_US.UTF-8");
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settings.path());
}

void TestRootView::init()
{
    QSettings(QStringLiteral("wendle"), QStringLiteral("wendle")).clear();
    m_journal = std::make_unique<test::TempJournal>();
    m_store = m_journal->store.get();
    m_scheduler = std::make_unique<ReminderScheduler>();
    m_auth = std::make_unique<FakeAuthenticator>();
    m_keychain = std::make_unique<InMemoryKeychain>();
    m_events = std::make_unique<FakeSystemEvents>();
    m_idle = std::make_unique<FakeIdleTime>();
    m_lock = std::make_unique<AppLockController>(*m_auth, *m_keychain, *m_store, *m_events, *m_idle);
}

void TestRootView::cleanup()
{
    m_lock.reset();
    m_journal.reset();
}

void TestRootView::asksAtOnceAndShowsFailure()
{
    RootView root(*m_lock, *m_store, *m_scheduler, m_clock);
    QCOMPARE(m_auth->calls, 0);
    root.show();
    QTRY_COMPARE(m_auth->calls, 1);
    QVERIFY(qobject_cast<LockView*>(root.currentScreen()));
    QVERIFY(spoken(&root).contains(QStringLiteral("Unlock with password")));

    // A screen reader hears the status line itself, and hears it change.
    m_auth->answer(false);
    QVERIFY(spoken(&root).contains(QStringLiteral("Couldn't verify — try again")));
    QVERIFY(!spoken(&root).contains(QStringLiteral("Unlock with password")));
    QVERIFY(qobject_cast<LockView*>(root.currentScreen()));

    // The button asks again and the hint goes back at once.
    auto* button = root.findChild<UnlockButton*>();
    QCOMPARE(button->accessibleName(), QStringLiteral("unlock"));
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(m_auth->calls, 2);
    QVERIFY(spoken(&root).contains(QStringLiteral("Unlock with password")));
    m_auth->answer(true);
    QVERIFY(qobject_cast<TodayView*>(root.currentScreen()));
}

void TestRootView::aMissingKeyIsRestoredFromItsCode()
{
    m_journal->add(QStringLiteral("2026-12-01"), QStringLiteral("freeform"), QStringLiteral("written before"));
    QVERIFY(m_store->save());
    RootView root(*m_lock, *m_store, *m_scheduler, m_clock);
    showAndUnlock(root);

    // The keyring has no key: nothing is made, and the lock screen says why and offers the way back.
    QVERIFY(qobject_cast<LockView*>(root.currentScreen()));
    QCOMPARE(root.lockView()->keyProblemText(),
             QStringLiteral("Your journal's key is missing from the keyring — restore it from your recovery code"));
    QVERIFY(spoken(&root).contains(QStringLiteral("Couldn't verify — try again")));
    QCOMPARE(m_keychain->addCount(), 0);
    const QList<PlainButton*> buttons = root.lockView()->findChildren<PlainButton*>();
    QVERIFY(std::any_of(buttons.begin(), buttons.end(), [](PlainButton* b) {
        return b->text() == QStringLiteral("Restore from recovery code…") && b->isVisible();
    }));

    root.askForRecoveryCode();
    auto* dialog = qobject_cast<RecoveryCodeDialog*>(root.keyDialog());
    QVERIFY(dialog);
    const QByteArray key = keyBytes(*m_journal->key);
    const QString code = formatRecoveryCode(key);

    // A mistyped character is caught as it is typed; another journal's code is told apart after asking.
    QString typo = code;
    typo[5] = typo[5] == u'7' ? u'8' : u'7';
    dialog->codeField()->setText(typo);
    QVERIFY(dialog->feedback().contains(QStringLiteral("checksum")));
    dialog->codeField()->setText(formatRecoveryCode(QByteArray(32, 'x')));
    QTest::keyClick(dialog->codeField(), Qt::Key_Return);
    QCOMPARE(m_auth->calls, 2);
    m_auth->answer(true);
    QCOMPARE(dialog->feedback(), QStringLiteral("This code belongs to another journal."));
    QVERIFY(!m_lock->isUnlocked());

    dialog->codeField()->setText(code.toLower());
    QTest::keyClick(dialog->codeField(), Qt::Key_Return);
    m_auth->answer(true);
    QVERIFY(m_lock->isUnlocked());
    QVERIFY(qobject_cast<TodayView*>(root.currentScreen()));
    QTRY_VERIFY(!root.keyDialog());
    QVERIFY(m_keychain->stored(entryKeyItem) == key);
    QVERIFY(root.lockView()->keyProblemText().isEmpty());
}

void TestRootView::ringBreathesEveryThreeSeconds()
{
    SteppedAnimationDriver driver;
    driver.install();
    LockView lock;
    lock.show();
    auto* button = lock.findChild<UnlockButton*>();
    QTRY_VERIFY(driver.isRunning());
    // Out in 1.6 s, easing in and out, and back in 1.6 s, again and again.
    const QList<std::pair<int, qreal>> breaths{{0, 0.0},    {400, 0.13}, {800, 0.5},  {1600, 1.0},
                                               {2400, 0.5}, {3200, 0.0}, {4000, 0.5}, {4800, 1.0}};
    qint64 at = 0;
    for (const auto& [time, breath] : breaths) {
        driver.step(time - at);
        at = time;
        QVERIFY2(qAbs(button->breath() - breath) < 0.03,
                 qPrintable(QStringLiteral("%1 ms: %2").arg(time).arg(button->breath())));
    }
    driver.uninstall();
}

void TestRootView::firstUnlockCreditsWordsBeforeTheRecap()
{
    // The entries are sealed with the key the keychain will hand out.
    m_keychain->store(entryKeyItem, keyBytes(*m_journal->key));
    Entry* lastMonth = m_journal->add(QStringLiteral("2026-02-10"), QStringLiteral("A"), test::words(50), 0);
    Entry* empty = m_journal->add(QStringLiteral("2026-01-02"), QStringLiteral("A"), QString(), 0);
    Entry* counted = m_journal->add(QStringLiteral("2026-01-03"), QStringLiteral("A"), QStringLiteral("three"), 30);
    const auto lostKey = EntryKey::random();
    Entry* unreadable = m_journal->add(QStringLiteral("2026-01-04"), QStringLiteral("A"), QStringLiteral("lost"), 0, {},
                                       lostKey.get());
    QVERIFY(m_store->save());

    RootView root(*m_lock, *m_store, *m_scheduler, m_clock);
    showAndUnlock(root);
    QCOMPARE(lastMonth->creditedWords(), 50);
    QCOMPARE(empty->creditedWords(), 0);
    QCOMPARE(counted->creditedWords(), 30);
    QCOMPARE(unreadable->creditedWords(), 0);
    QVERIFY(!m_store->hasUnsavedChanges());
    QCOMPARE(m_scheduler->completedDays(), (QSet<QString>{QStringLiteral("2026-02-10"), QStringLiteral("2026-01-03")}));
    // The Today screen came after the pass: February's recap counts the credited words.
    QVERIFY(root.todayView()->recap());
    QCOMPARE(root.todayView()->recap()->totalWords, 50);

    // Locked and unlocked again in the same window: no second pass.
    m_store->setCreditedWords(lastMonth, 0);
    m_lock->lock();
    QVERIFY(qobject_cast<LockView*>(root.currentScreen()));
    m_lock->unlock();
    m_auth->answer(true);
    QCOMPARE(lastMonth->creditedWords(), 0);
}

void TestRootView::historyIsKeptAcrossLocks()
{
    RootView root(*m_lock, *m_store, *m_scheduler, m_clock);
    showAndUnlock(root);
    QPointer<TodayView> today = root.todayView();
    QTest::mouseClick(named<PlainButton>(&root, QStringLiteral("history")), Qt::LeftButton);
    QVERIFY(root.showingHistory());
    QTRY_VERIFY(!today); // the Today screen and its text are gone

    // Locking shows the lock screen; unlocking returns to the history.
    m_lock->lock();
    QVERIFY(qobject_cast<LockView*>(root.currentScreen()));
    m_lock->unlock();
    m_auth->answer(true);
    QVERIFY(root.showingHistory());
    QVERIFY(!qobject_cast<LockView*>(root.currentScreen()));

    QTest::mouseClick(named<PlainButton>(&root, QStringLiteral("back")), Qt::LeftButton);
    QVERIFY(qobject_cast<TodayView*>(root.currentScreen()));

    // Locking takes the Today screen down with the key.
    today = root.todayView();
    m_lock->lock();
    QVERIFY(!today);
}

void TestRootView::sleepWaitsForTheLock()
{
    RootView root(*m_lock, *m_store, *m_scheduler, m_clock);
    showAndUnlock(root);
    QTest::keyClicks(root.todayView()->findChild<PlainTextEditor*>(), QStringLiteral("mid-sentence"));
    bool keyGone = false;
    m_events->whenReadyToSleep = [&] {
        // Locked, the Today screen gone, and its pending save done with the key it held.
        keyGone = !m_lock->isUnlocked() && !root.todayView() && m_store->entries().size() == 1;
    };
    Q_EMIT m_events->willSleep();
    QTRY_COMPARE(m_events->readyToSleepCalls, 1);
    QVERIFY(keyGone);
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
    window.resize(200, 100);
    QCOMPARE(window.size(), QSize(680, 560)); // the smallest it gets
}

void TestRootView::theRecoveryCodeIsShownOnceThenOnlyAfterAsking()
{
    const Preferences preferences;
    MainWindow window(*m_lock, *m_store, *m_scheduler, m_clock, preferences);
    showAndUnlock(window);
    const QString code = formatRecoveryCode(keyBytes(*m_lock->key()));
    auto codeShown = [&window]() -> QString {
        auto* sheet = qobject_cast<RecoveryCodeSheet*>(window.rootView()->keyDialog());
        QLabel* shown = sheet ? named<QLabel>(sheet, QStringLiteral("recovery code")) : nullptr;
        return shown ? shown->text().replace(u'\n', u'-') : QString();
    };
    // A new journal's key: its code, once.
    QCOMPARE(codeShown(), code);
    window.rootView()->keyDialog()->accept();
    QTRY_VERIFY(!window.rootView()->keyDialog());

    // Later only after authenticating again.
    window.showRecoveryCode();
    QCOMPARE(m_auth->calls, 2);
    m_auth->answer(false);
    QVERIFY(!window.rootView()->keyDialog());
    window.showRecoveryCode();
    m_auth->answer(true);
    QCOMPARE(codeShown(), code);

    // It goes with the key.
    m_lock->lock();
    QTRY_VERIFY(!window.rootView()->keyDialog());
}

QTEST_MAIN(TestRootView)
#include "TestRootView.moc"
