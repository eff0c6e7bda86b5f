// SPDX-License-Identifier: GPL-3.0-or-later
#include "journal/Clock.h"
#include "reminders/InMemoryNotificationCenter.h"
#include "reminders/ReminderScheduler.h"

#include <QSignalSpy>
#include <QTest>

using namespace wendle;

namespace {

NotificationRequest request(const QString& identifier)
{
    return {identifier, QStringLiteral("t"), QStringLiteral("b"), 2026, 3, 20, 9, 0};
}

QStringList identifiers(const InMemoryNotificationCenter& center)
{
    QStringList list;
    for (const NotificationRequest& r : center.requests()) {
        list << r.identifier;
    }
    return list;
}

} // namespace

class TestReminderScheduler : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void disabledClearsAndRefusedWaits();
    void writtenDaysStayQuiet();
    void lastSettingsWin();

private:
    void fill();

    std::unique_ptr<ManualClock> m_clock;
    std::unique_ptr<InMemoryNotificationCenter> m_center;
    std::unique_ptr<ReminderScheduler> m_scheduler;
};

void TestReminderScheduler::initTestCase()
{
    qputenv("TZ", "UTC");
}

void TestReminderScheduler::init()
{
    m_clock = std::make_unique<ManualClock>(QDateTime(QDate(2026, 3, 14), QTime(10, 0), Qt::UTC));
    m_center = std::make_unique<InMemoryNotificationCenter>();
    m_scheduler = std::make_unique<ReminderScheduler>(*m_center, *m_clock);
}

void TestReminderScheduler::fill()
{
    for (const char* id :
         {"wendle.reminder.2026-03-20.primary", "wendle.daily-reminder", "org.other.wendle.reminder"}) {
        m_center->add(request(QString::fromLatin1(id)), m_scheduler.get(), [](bool) {});
    }
}

void TestReminderScheduler::disabledClearsAndRefusedWaits()
{
    fill();
    QSignalSpy logged(m_scheduler.get(), &ReminderScheduler::logged);
    // With the daily reminder off the nudge plans nothing either, and permission is never asked.
    m_scheduler->configure(false, 15, 0, true, 21, 0);
    QCOMPARE(logged.count(), 0);
    QTRY_COMPARE(logged.count(), 1);
    QCOMPARE(logged.at(0).at(0).toString(), QStringLiteral("Wendle reminder: disabled, 2 pending removed"));
    QCOMPARE(identifiers(*m_center), QStringList{QStringLiteral("org.other.wendle.reminder")});
    QCOMPARE(m_center->authorizationRequests(), 0);

    fill();
    m_center->setGranted(false);
    m_scheduler->configure(true, 15, 0, false, 21, 0);
    QTRY_COMPARE(logged.count(), 2);
    QCOMPARE(logged.at(1).at(0).toString(), QStringLiteral("Wendle reminder: notification permission not granted"));
    QCOMPARE(m_center->authorizationRequests(), 1);
    // Refused (nothing to show them yet, as at login): the pending ones stay until the centre comes up.
    QCOMPARE(identifiers(*m_center).size(), 3);
    m_center->setGranted(true);
    QTRY_COMPARE(logged.count(), 3);
    QCOMPARE(logged.at(2).at(0).toString(),
             QStringLiteral("Wendle reminder: planned 21 one-shot reminders (completed days: 0, pending now: 21)"));
    QCOMPARE(identifiers(*m_center).size(), 22);
    QVERIFY(!identifiers(*m_center).contains(QStringLiteral("wendle.daily-reminder")));
}

void TestReminderScheduler::writtenDaysStayQuiet()
{
    QSignalSpy logged(m_scheduler.get(), &ReminderScheduler::logged);
    m_scheduler->configure(true, 15, 0, true, 21, 0);
    QTRY_COMPARE(logged.count(), 1);
    QCOMPARE(logged.at(0).at(0).toString(),
             QStringLiteral("Wendle reminder: planned 42 one-shot reminders (completed days: 0, pending now: 42)"));
    QCOMPARE(m_center->requests().front().identifier, QStringLiteral("wendle.reminder.2026-03-14.primary"));

    m_scheduler->updateCompletedDays({QStringLiteral("2026-03-14"), QStringLiteral("2026-01-01")});
    QTRY_COMPARE(logged.count(), 2);
    QCOMPARE(logged.at(1).at(0).toString(),
             QStringLiteral("Wendle reminder: planned 40 one-shot reminders (completed days: 2, pending now: 40)"));
    QCOMPARE(identifiers(*m_center).first(), QStringLiteral("wendle.reminder.2026-03-15.primary"));

    // The same set again starts no run.
    QSignalSpy finished(m_scheduler.get(), &ReminderScheduler::runFinished);
    m_scheduler->updateCompletedDays({QStringLiteral("2026-01-01"), QStringLiteral("2026-03-14")});
    QTest::qWait(50);
    QCOMPARE(finished.count(), 0);
}

void TestReminderScheduler::lastSettingsWin()
{
    QSignalSpy finished(m_scheduler.get(), &ReminderScheduler::runFinished);
    m_scheduler->configure(true, 15, 0, true, 21, 0);
    // New settings while the first run is still adding its reminders.
    QTRY_VERIFY(m_center->requests().size() > 3);
    m_scheduler->configure(true, 7, 5, false, 21, 0);
    QTRY_COMPARE(finished.count(), 2);
    // 07:05 has passed today: the 20 days after it, primary only.
    QCOMPARE(m_center->requests().size(), std::size_t(20));
    QCOMPARE(m_center->requests().front().identifier, QStringLiteral("wendle.reminder.2026-03-15.primary"));
    for (const NotificationRequest& r : m_center->requests()) {
        QVERIFY(r.identifier.endsWith(u".primary") && r.hour == 7 && r.minute == 5);
    }

    // Unchanged values still start a run each.
    m_scheduler->configure(true, 7, 5, false, 21, 0);
    QTRY_COMPARE(finished.count(), 3);
}

QTEST_GUILESS_MAIN(TestReminderScheduler)
#include "TestReminderScheduler.moc"
