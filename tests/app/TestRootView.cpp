// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/MainWindow.h"
#include "app/RootView.h"
#include "history/EntryReader.h"
#include "history/HistoryView.h"
#include "journal/Clock.h"
#include "journal/RecoveryCode.h"
#include "lock/LockView.h"
#include "lock/RecoveryCodeDialog.h"
#include "lock/RecoveryCodeSheet.h"
#include "ui/PlainButton.h"
#include "ui/PlainTextEditor.h"
#include "writing/TodayView.h"

#include "FailingVfs.h"
#include "Fakes.h"
#include "Screens.h"
#include "Widgets.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <algorithm>

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
    void firstUnlockCreditsWordsBeforeTheRecap();
    void historyIsKeptAcrossLocks();
    void sleepWaitsForTheLock();
    void aMissingKeyIsRestoredFromItsCode();
    void theRecoveryCodeIsShownOnceThenOnlyAfterAsking();
    void unsavedWritingAsksBeforeQuitting(); // last: it quits

private:
    QTemporaryDir m_settings;
    std::unique_ptr<LockRig> m_rig;
    ManualClock m_clock{berlin(5, 10)};
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

/** The notifications a screen reader was told appeared: what it speaks wherever the focus is. */
QStringList g_announced;

void hearAnnouncements(QAccessibleEvent* event)
{
    if (event->type() == QAccessible::ObjectShow) {
        QAccessibleInterface* shown = event->accessibleInterface();
        if (shown && shown->role() == QAccessible::Notification) {
            g_announced << shown->text(QAccessible::Name);
        }
    }
}

} // namespace

void TestRootView::initTestCase()
{
    liveInBerlin();
    FailingVfs::install();
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settings.path());
}

void TestRootView::init()
{
    QSettings(QStringLiteral("wendle"), QStringLiteral("wendle")).clear();
    m_rig = std::make_unique<LockRig>();
}

void TestRootView::cleanup()
{
    m_rig.reset();
}

void TestRootView::asksAtOnceAndShowsFailure()
{
    RootView root(m_rig->lock, m_rig->store, m_rig->scheduler, m_clock);
    QCOMPARE(m_rig->auth.calls, 0);
    root.show();
    QTRY_COMPARE(m_rig->auth.calls, 1);
    QVERIFY(qobject_cast<LockView*>(root.currentScreen()));
    QVERIFY(spoken(&root).contains(QStringLiteral("Unlock with password")));

    // A screen reader hears the status line itself, and is told as it changes, wherever the focus is.
    g_announced.clear();
    const QAccessible::UpdateHandler before = QAccessible::installUpdateHandler(hearAnnouncements);
    m_rig->auth.answer(false);
    QAccessible::installUpdateHandler(before);
    QCOMPARE(g_announced, QStringList{QStringLiteral("Couldn't verify — try again")});
    QVERIFY(!spoken(&root).contains(QStringLiteral("Unlock with password")));

    // The button, which has the focus, asks again with Space, and the hint goes back at once.
    auto* button = root.findChild<UnlockButton*>();
    QCOMPARE(button->accessibleName(), QStringLiteral("unlock"));
    QApplication::setActiveWindow(&root);
    QCOMPARE(QApplication::focusWidget(), button);
    QTest::keyClick(button, Qt::Key_Space);
    QCOMPARE(m_rig->auth.calls, 2);
    QVERIFY(spoken(&root).contains(QStringLiteral("Unlock with password")));
    m_rig->auth.answer(true);
    QVERIFY(qobject_cast<TodayView*>(root.currentScreen()));
}

void TestRootView::aMissingKeyIsRestoredFromItsCode()
{
    m_rig->journal.add(QStringLiteral("2026-12-01"), QStringLiteral("freeform"), QStringLiteral("written before"));
    QVERIFY(m_rig->store.save());
    RootView root(m_rig->lock, m_rig->store, m_rig->scheduler, m_clock);
    QVERIFY(m_rig->showAndUnlock(root));

    // The keyring has no key: nothing is made, and the lock screen says why and offers the way back.
    QVERIFY(qobject_cast<LockView*>(root.currentScreen()));
    QCOMPARE(root.lockView()->keyProblemText(),
             QStringLiteral("Your journal's key is missing from the keyring — restore it from your recovery code"));
    // The password was right: no failure line, and the details say in words what the keyring answered.
    QVERIFY(!spoken(&root).contains(QStringLiteral("Couldn't verify — try again")));
    QVERIFY(spoken(&root).filter(QStringLiteral("the keyring has no such item")).size() == 1);
    QVERIFY(spoken(&root).filter(QStringLiteral("status")).isEmpty());
    QCOMPARE(m_rig->keychain.addCount(), 0);
    const QList<PlainButton*> buttons = root.lockView()->findChildren<PlainButton*>();
    QVERIFY(std::any_of(buttons.begin(), buttons.end(), [](PlainButton* b) {
        return b->text() == QStringLiteral("Restore from recovery code…") && b->isVisible();
    }));

    root.askForRecoveryCode();
    auto* dialog = qobject_cast<RecoveryCodeDialog*>(root.keyDialog());
    QVERIFY(dialog);
    const QByteArray key = keyBytes(*m_rig->journal.key);
    const QString code = formatRecoveryCode(key);

    // A mistyped character is caught as it is typed; another journal's code is told apart after asking.
    QString typo = code;
    typo[5] = typo[5] == u'7' ? u'8' : u'7';
    dialog->codeField()->setText(typo);
    QVERIFY(dialog->feedback().contains(QStringLiteral("checksum")));
    dialog->codeField()->setText(formatRecoveryCode(QByteArray(32, 'x')));
    QTest::keyClick(dialog->codeField(), Qt::Key_Return);
    QCOMPARE(m_rig->auth.calls, 2);
    m_rig->auth.answer(true);
    QCOMPARE(dialog->feedback(), QStringLiteral("This code belongs to another journal."));
    QVERIFY(!m_rig->lock.isUnlocked());

    dialog->codeField()->setText(code.toLower());
    QTest::keyClick(dialog->codeField(), Qt::Key_Return);
    m_rig->auth.answer(true);
    QVERIFY(m_rig->lock.isUnlocked());
    QVERIFY(qobject_cast<TodayView*>(root.currentScreen()));
    QTRY_VERIFY(!root.keyDialog());
    QVERIFY(m_rig->keychain.stored(entryKeyItem) == key);
    QVERIFY(root.lockView()->keyProblemText().isEmpty());
}

void TestRootView::firstUnlockCreditsWordsBeforeTheRecap()
{
    // The entries are sealed with the key the keychain will hand out; each is credited with what it says
    // (kept when already counted), an unreadable one with nothing.
    m_rig->keepKey();
    const auto lostKey = EntryKey::random();
    const std::tuple<const char*, QString, qint64, const EntryKey*, int> entries[]
        = {{"2026-02-10", words(50), 0, nullptr, 50},
           {"2026-01-02", QString(), 0, nullptr, 0},
           {"2026-01-03", QStringLiteral("three"), 30, nullptr, 30},
           {"2026-01-04", QStringLiteral("lost"), 0, lostKey.get(), 0}};
    for (const auto& [day, text, credited, key, expected] : entries) {
        m_rig->journal.add(QString::fromLatin1(day), QStringLiteral("A"), text, credited, {}, key);
    }
    QVERIFY(m_rig->store.save());
    Entry* lastMonth = m_rig->store.entries().front();

    RootView root(m_rig->lock, m_rig->store, m_rig->scheduler, m_clock);
    QVERIFY(m_rig->showAndUnlock(root));
    for (std::size_t i = 0; i < std::size(entries); ++i) {
        QCOMPARE(m_rig->store.entries()[i]->creditedWords(), std::get<4>(entries[i]));
    }
    QVERIFY(!m_rig->store.hasUnsavedChanges());
    QCOMPARE(m_rig->scheduler.completedDays(),
             (QSet<QString>{QStringLiteral("2026-02-10"), QStringLiteral("2026-01-03")}));
    // The Today screen came after the pass: February's recap counts the credited words.
    QVERIFY(root.todayView()->recap());
    QCOMPARE(root.todayView()->recap()->totalWords, 50);

    // Locked and unlocked again in the same window: no second pass.
    m_rig->store.setCreditedWords(lastMonth, 0);
    m_rig->lock.lock();
    QVERIFY(qobject_cast<LockView*>(root.currentScreen()));
    m_rig->unlockNow();
    QCOMPARE(lastMonth->creditedWords(), 0);
}

void TestRootView::historyIsKeptAcrossLocks()
{
    m_rig->keepKey();
    Entry* entry = m_rig->journal.add(QStringLiteral("2026-03-04"), QStringLiteral("a"), words(30));
    QVERIFY(m_rig->store.save());
    RootView root(m_rig->lock, m_rig->store, m_rig->scheduler, m_clock);
    QVERIFY(m_rig->showAndUnlock(root));
    QPointer<TodayView> today = root.todayView();
    QTest::mouseClick(
        named<PlainButton>(&root, QStringLiteral("day %1, history").arg(root.todayView()->headerDayNumber())),
        Qt::LeftButton);
    QPointer<HistoryView> history = root.historyView();
    QVERIFY(history && root.currentScreen() == history);
    QTRY_VERIFY(!today); // the Today screen and its text are gone

    // Locking closes the reader and drops its edits; unlocking returns to the history, not to the reader.
    history->openReader(entry);
    QPointer<EntryReader> reader = history->reader();
    reader->editor()->setText(QStringLiteral("never saved"));
    m_rig->lock.lock();
    QVERIFY(qobject_cast<LockView*>(root.currentScreen()));
    QVERIFY(!reader && !history);
    QCOMPARE(openEntryText(entry->cipherBody(), *m_rig->journal.key), words(30));
    m_rig->unlockNow();
    QCOMPARE(root.currentScreen(), root.historyView());
    QVERIFY(!root.historyView()->reading());

    QTest::mouseClick(named<PlainButton>(&root, QStringLiteral("back to today")), Qt::LeftButton);
    QVERIFY(qobject_cast<TodayView*>(root.currentScreen()));
}

void TestRootView::sleepWaitsForTheLock()
{
    RootView root(m_rig->lock, m_rig->store, m_rig->scheduler, m_clock);
    QVERIFY(m_rig->showAndUnlock(root));
    QTest::keyClicks(root.todayView()->findChild<PlainTextEditor*>(), QStringLiteral("mid-sentence"));
    bool keyGone = false;
    m_rig->events.whenReadyToSleep = [&] {
        // Locked, the Today screen gone, and its pending save done with the key it held.
        keyGone = !m_rig->lock.isUnlocked() && !root.todayView() && m_rig->store.entries().size() == 1;
    };
    Q_EMIT m_rig->events.willSleep();
    QTRY_COMPARE(m_rig->events.readyToSleepCalls, 1);
    QVERIFY(keyGone);
}

void TestRootView::theRecoveryCodeIsShownOnceThenOnlyAfterAsking()
{
    const Preferences preferences;
    MainWindow window(m_rig->lock, m_rig->store, m_rig->scheduler, m_clock, preferences);
    QVERIFY(m_rig->showAndUnlock(window));
    const QString code = formatRecoveryCode(keyBytes(*m_rig->lock.key()));
    // The code as shown, and as a screen reader reads it out.
    auto codeShown = [&window, &code]() -> QString {
        auto* sheet = qobject_cast<RecoveryCodeSheet*>(window.rootView()->keyDialog());
        QLabel* shown = sheet ? named<QLabel>(sheet, QStringLiteral("recovery code: ") + code) : nullptr;
        return shown ? shown->text().replace(u'\n', u'-') : QString();
    };
    // A new journal's key: its code, once, with the offer to use another computer's journal instead.
    QCOMPARE(codeShown(), code);
    const auto offersJoining = [&window] {
        const auto buttons = window.rootView()->keyDialog()->findChildren<QAbstractButton*>();
        return std::any_of(buttons.begin(), buttons.end(), [](const QAbstractButton* button) {
            return button->text() == QStringLiteral("Use my journal from another computer…");
        });
    };
    QVERIFY(offersJoining());
    // Keys only: Copy has the focus; Space copies and says so aloud; Escape closes the sheet.
    QWidget* sheet = window.rootView()->keyDialog();
    QApplication::setActiveWindow(sheet);
    g_announced.clear();
    const QAccessible::UpdateHandler before = QAccessible::installUpdateHandler(hearAnnouncements);
    QTest::keyClick(sheet->focusWidget(), Qt::Key_Space);
    QAccessible::installUpdateHandler(before);
    QCOMPARE(QApplication::clipboard()->text(), code);
    QCOMPARE(g_announced, QStringList{QStringLiteral("copied — cleared in a minute")});
    QTest::keyClick(sheet->focusWidget(), Qt::Key_Escape);
    QTRY_VERIFY(!window.rootView()->keyDialog());

    // Later only after authenticating again.
    window.showRecoveryCode();
    QCOMPARE(m_rig->auth.calls, 2);
    m_rig->auth.answer(false);
    QVERIFY(!window.rootView()->keyDialog());
    window.showRecoveryCode();
    m_rig->auth.answer(true);
    QCOMPARE(codeShown(), code);
    QVERIFY(!offersJoining());
    // Printing asks for a printer through the system's dialog, from the print module loaded only now.
    QString printDialog;
    QTimer::singleShot(0, [&printDialog] {
        QWidget* dialog = QApplication::activeModalWidget();
        printDialog = dialog ? dialog->windowTitle() : QString();
        if (auto* asking = qobject_cast<QDialog*>(dialog)) {
            asking->reject();
        }
    });
    QVERIFY(clickButton(window.rootView()->keyDialog(), QStringLiteral("Print…")));
    QCOMPARE(printDialog, QStringLiteral("Print recovery code"));

    // It goes with the key.
    m_rig->lock.lock();
    QTRY_VERIFY(!window.rootView()->keyDialog());
}

// Quitting never gives up writing silently: a save that cannot land is retried, and quitting asks first.
void TestRootView::unsavedWritingAsksBeforeQuitting()
{
    EntryStore& store = m_rig->store;
    AppLockController& lock = m_rig->lock;
    const Preferences preferences;
    MainWindow window(lock, store, m_rig->scheduler, m_clock, preferences);
    QVERIFY(m_rig->showAndUnlock(window));
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
    const auto keepOpen = [&window] {
        QVERIFY(clickButton(window.quitQuestion(), QStringLiteral("Keep Wendle open")));
        QTRY_VERIFY(!window.quitQuestion());
        QVERIFY(window.isVisible());
    };
    // The menu's Quit, which Ctrl+Q triggers: a window action, so it works with the menu bar hidden.
    QAction* quit = window.quitAction();
    QVERIFY(window.actions().contains(quit) && quit->shortcuts().contains(QKeySequence(Qt::CTRL | Qt::Key_Q)));
    quit->trigger();
    QMessageBox* question = window.quitQuestion();
    QVERIFY(question && question->isVisible());
    QCOMPARE(question->text(), QStringLiteral("Your latest writing could not be saved: the disk is full."));
    QCOMPARE(question->buttons().size(), 2);
    keepOpen();
    // The window's own close button asks the same.
    QVERIFY(!window.close());
    QTRY_VERIFY(window.quitQuestion());
    keepOpen();
    // Kept in the tray, closing only puts the window away, still unlocked; quitting brings it back to ask.
    window.setKeepRunningWhenClosed(true);
    QVERIFY(window.close());
    QVERIFY(!window.isVisible() && !window.quitQuestion() && lock.isUnlocked());
    quit->trigger();
    QTRY_VERIFY(window.isVisible() && window.quitQuestion());
    keepOpen();
    window.setKeepRunningWhenClosed(false);

    // Locked while the disk is full, unlocked once there is room: the words are written at once, not 5 s later.
    lock.lock();
    QVERIFY(store.hasUnsavedChanges());
    FailingVfs::setFailing(false);
    m_rig->unlockNow();
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
    QVERIFY(clickButton(window.quitQuestion(), QStringLiteral("Quit anyway")));
    QTRY_VERIFY(!window.isVisible());
    FailingVfs::setFailing(false);
}

QTEST_MAIN(TestRootView)
#include "TestRootView.moc"
