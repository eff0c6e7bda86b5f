// SPDX-License-Identifier: GPL-3.0-or-later
// Quitting never gives up writing silently: a save that cannot land is retried, and quitting asks first.
#include "app/AppLockController.h"
#include "app/MainWindow.h"
#include "app/RootView.h"
#include "journal/Clock.h"
#include "journal/EntryStore.h"
#include "journal/Keychain.h"
#include "reminders/ReminderScheduler.h"
#include "ui/PlainTextEditor.h"

#include "../journal/FailingVfs.h"
#include "Fakes.h"
#include "TempJournal.h"

#include <QAbstractButton>
#include <QAction>
#include <QMessageBox>
#include <QSettings>
#include <QTest>

using namespace wendle;
using namespace wendle::test;

namespace {

/** Answers the quit question with the button reading `text`; false when there is no such button. */
bool answer(MainWindow& window, const QString& text)
{
    for (QAbstractButton* button : window.quitQuestion()->buttons()) {
        if (button->text() == text) {
            button->click();
            return true;
        }
    }
    return false;
}

} // namespace

class TestQuitting : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void unsavedWritingAsksBeforeQuitting();
};

void TestQuitting::initTestCase()
{
    static QTemporaryDir settings;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
    FailingVfs::install();
}

void TestQuitting::unsavedWritingAsksBeforeQuitting()
{
    TempJournal journal;
    EntryStore& store = *journal.store;
    ReminderScheduler scheduler;
    FakeAuthenticator auth;
    InMemoryKeychain keychain;
    FakeSystemEvents events;
    FakeIdleTime idle;
    AppLockController lock(auth, keychain, store, events, idle);
    const SystemClock clock;
    const Preferences preferences;
    MainWindow window(lock, store, scheduler, clock, preferences);
    window.show();
    QTRY_COMPARE(auth.calls, 1);
    auth.answer(true);
    QVERIFY(lock.isUnlocked());
    // The new key's recovery code is not what this test is about.
    QTRY_VERIFY(window.rootView()->keyDialog());
    window.rootView()->keyDialog()->close();
    auto* editor = window.findChild<PlainTextEditor*>();
    QVERIFY(editor);

    // Nothing pending: closing needs no question.
    QVERIFY(window.close());
    window.show();

    // The disk fills up: the words stay pending and quitting asks, naming the reason.
    FailingVfs::setFailing(true);
    editor->setFocus();
    QTest::keyClicks(editor, QStringLiteral("words that cannot land"));
    QTRY_VERIFY(store.hasUnsavedChanges() && !store.saveFailure().isEmpty());
    // The menu's Quit, which Ctrl+Q triggers.
    const QList<QAction*> actions = window.actions();
    const auto quit = std::find_if(actions.begin(), actions.end(), [](QAction* action) {
        return action->text() == QStringLiteral("Quit")
            && action->shortcuts().contains(QKeySequence(Qt::CTRL | Qt::Key_Q));
    });
    QVERIFY(quit != actions.end());
    (*quit)->trigger();
    QMessageBox* question = window.quitQuestion();
    QVERIFY(question && question->isVisible());
    QCOMPARE(question->text(), QStringLiteral("Your latest writing could not be saved: the disk is full."));
    QCOMPARE(question->buttons().size(), 2);
    QVERIFY(answer(window, QStringLiteral("Keep Wendle open")));
    QTRY_VERIFY(!window.quitQuestion());
    QVERIFY(window.isVisible());
    // The window's own close button asks the same.
    QVERIFY(!window.close());
    QTRY_VERIFY(window.quitQuestion());
    QVERIFY(answer(window, QStringLiteral("Keep Wendle open")));
    QTRY_VERIFY(!window.quitQuestion());

    // Locked while the disk is full, unlocked once there is room: the words are written at once, not 5 s later.
    lock.lock();
    QVERIFY(store.hasUnsavedChanges());
    FailingVfs::setFailing(false);
    lock.unlock();
    auth.answer(true);
    QVERIFY(!store.hasUnsavedChanges());
    QCOMPARE(store.entries().size(), std::size_t(1));

    // Full again: "Quit anyway" closes the window with the words unwritten.
    FailingVfs::setFailing(true);
    editor = window.findChild<PlainTextEditor*>();
    editor->setFocus();
    QTest::keyClicks(editor, QStringLiteral(" and more"));
    QTRY_VERIFY(store.hasUnsavedChanges());
    QVERIFY(!window.close());
    QTRY_VERIFY(window.quitQuestion());
    QVERIFY(answer(window, QStringLiteral("Quit anyway")));
    QTRY_VERIFY(!window.isVisible());
    FailingVfs::setFailing(false);
}

QTEST_MAIN(TestQuitting)
#include "TestQuitting.moc"
