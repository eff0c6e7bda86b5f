// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/AppLockController.h"
#include "app/LockView.h"
#include "app/RootView.h"
#include "history/EntryReader.h"
#include "history/HistoryView.h"
#include "journal/Clock.h"
#include "journal/EntryKeyStore.h"
#include "reminders/ReminderScheduler.h"
#include "ui/PlainButton.h"
#include "ui/PlainTextEditor.h"
#include "writing/TodayView.h"

#include "../app/Fakes.h"
#include "TempJournal.h"

#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>

using namespace wendle;
using namespace wendle::test;

class TestHistoryRoute : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void lockingWhileReadingReturnsToTheHistory();

private:
    QTemporaryDir m_settings;
};

void TestHistoryRoute::initTestCase()
{
    qputenv("TZ", "Europe/Berlin");
    qputenv("LC_ALL", "en_US.UTF-8");
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settings.path());
}

void TestHistoryRoute::lockingWhileReadingReturnsToTheHistory()
{
    TempJournal journal;
    Entry* entry = journal.add(QStringLiteral("2026-03-04"), QStringLiteral("a"), words(30));
    QVERIFY(journal.store->save());
    ReminderScheduler scheduler;
    FakeAuthenticator auth;
    InMemoryKeychain keychain;
    keychain.store(entryKeyItem, QByteArray(reinterpret_cast<const char*>(journal.key->data()), EntryKey::size));
    FakeSystemEvents events;
    FakeIdleTime idle;
    AppLockController lock(auth, keychain, *journal.store, events, idle);
    ManualClock clock(QDateTime(QDate(2026, 3, 5), QTime(10, 0), QTimeZone("Europe/Berlin")).toUTC());
    RootView root(lock, *journal.store, scheduler, clock);
    root.show();
    QTRY_COMPARE(auth.calls, 1);
    auth.answer(true);

    // The Today screen's day number leads here, and the row opens the reader.
    const QList<PlainButton*> buttons = root.todayView()->findChildren<PlainButton*>();
    QTest::mouseClick(*std::find_if(buttons.begin(), buttons.end(),
                                    [](PlainButton* button) { return button->accessibleName() == u"history"; }),
                      Qt::LeftButton);
    QPointer<HistoryView> history = root.historyView();
    QVERIFY(history);
    QCOMPARE(root.currentScreen(), history.data());
    history->openReader(entry);
    QPointer<EntryReader> reader = history->reader();
    reader->editor()->setText(QStringLiteral("never saved"));

    lock.lock();
    QVERIFY(qobject_cast<LockView*>(root.currentScreen()));
    QVERIFY(!reader);
    QVERIFY(!history);
    QCOMPARE(openEntryText(entry->cipherBody(), *journal.key), words(30));

    lock.unlock();
    auth.answer(true);
    history = root.historyView();
    QVERIFY(history);
    QCOMPARE(root.currentScreen(), history.data());
    QVERIFY(!history->reader());
    QVERIFY(!history->reading());

    // "← today" goes back.
    for (PlainButton* button : history->findChildren<PlainButton*>()) {
        if (button->text() == QStringLiteral("← today")) {
            QTest::mouseClick(button, Qt::LeftButton);
            break;
        }
    }
    QVERIFY(!root.showingHistory());
    QVERIFY(qobject_cast<TodayView*>(root.currentScreen()));
}

QTEST_MAIN(TestHistoryRoute)
#include "TestHistoryRoute.moc"
