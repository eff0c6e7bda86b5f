// SPDX-License-Identifier: GPL-3.0-or-later
// Planning the reminders of the days ahead, and the runs that hand them to the notification centre.
#include "journal/Clock.h"
#include "reminders/InMemoryNotificationCenter.h"
#include "reminders/ReminderPlanner.h"
#include "reminders/ReminderScheduler.h"

#include <QSignalSpy>
#include <QTest>
#include <QTimeZone>

using namespace wendle;
using ReminderPlanner::Time;

namespace {

const QString kPrefix = QStringLiteral("wendle.reminder.");
const Time kPrimary{QStringLiteral("primary"), 15, 0};
const Time kNudge{QStringLiteral("nudge"), 21, 0};

QDateTime at(const char* zone, int y, int mo, int d, int h, int mi, int s = 0)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s), QTimeZone(zone)).toUTC();
}

/** The plan made at `now` in the zone's calendar, one "<day key>.<name> <y>-<m>-<d> <h>:<min>" per reminder. */
QStringList plan(const char* locale, const char* zone, const QDateTime& now, const std::vector<Time>& times,
                 const QSet<QString>& written = {})
{
    QStringList planned;
    const Calendar calendar = Calendar::make(QString::fromLatin1(locale), QString::fromLatin1(zone));
    for (const PlannedReminder& r : ReminderPlanner::plan(now, written, times, kPrefix, calendar)) {
        const QString id = r.identifier.startsWith(kPrefix) ? r.identifier.mid(kPrefix.size()) : r.identifier;
        planned << QString::asprintf("%s %d-%d-%d %d:%d", qPrintable(id), r.year, r.month, r.day, r.hour, r.minute);
    }
    return planned;
}

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
    void plansTwentyOneDaysStrictlyAheadInAnyCalendar();
    void disabledClearsAndRefusedWaits();
    void writtenDaysStayQuiet();
    void lastSettingsWin();

private:
    void fill();

    std::unique_ptr<ManualClock> m_clock;
    std::unique_ptr<InMemoryNotificationCenter> m_center;
    std::unique_ptr<ReminderScheduler> m_scheduler;
};

void TestReminderScheduler::plansTwentyOneDaysStrictlyAheadInAnyCalendar()
{
    const QDateTime morning = at("Europe/Berlin", 2026, 3, 14, 10, 0);
    QStringList planned = plan("de_DE", "Europe/Berlin", morning, {kPrimary, kNudge});
    QCOMPARE(planned.size(), 42);
    QCOMPARE(planned.front(), QStringLiteral("2026-03-14.primary 2026-3-14 15:0"));
    QCOMPARE(planned.at(1), QStringLiteral("2026-03-14.nudge 2026-3-14 21:0"));
    QCOMPARE(planned.back(), QStringLiteral("2026-04-03.nudge 2026-4-3 21:0"));

    planned = plan("en_US", "America/New_York", at("America/New_York", 2026, 6, 1, 14, 59, 59), {kPrimary});
    QCOMPARE(planned.size(), 21);
    QCOMPARE(planned.front(), QStringLiteral("2026-06-01.primary 2026-6-1 15:0"));
    planned = plan("en_US", "America/New_York", at("America/New_York", 2026, 6, 1, 15, 0), {kPrimary});
    QCOMPARE(planned.size(), 20);
    QVERIFY(planned.front().startsWith(u"2026-06-02.primary"));
    planned = plan("en_US", "America/New_York", at("America/New_York", 2026, 6, 1, 16, 0), {kPrimary, kNudge});
    QCOMPARE(planned.size(), 41);
    QVERIFY(planned.front().startsWith(u"2026-06-01.nudge"));
    QVERIFY(planned.at(1).startsWith(u"2026-06-02.primary"));

    // With every day written nothing is planned (one written day: writtenDaysStayQuiet).
    const QDateTime now = at("America/New_York", 2026, 6, 1, 10, 0);
    QSet<QString> all;
    for (int day = 1; day <= 21; ++day) {
        all << QString::asprintf("2026-06-%02d", day);
    }
    QVERIFY(plan("en_US", "America/New_York", now, {kPrimary, kNudge}, all).isEmpty());

    // Times keep their order within a day.
    const QDateTime six = at("Europe/Berlin", 2026, 6, 1, 6, 0);
    planned = plan("de_DE", "Europe/Berlin", six, {kPrimary, {QStringLiteral("nudge"), 7, 30}});
    QCOMPARE(planned.at(0), QStringLiteral("2026-06-01.primary 2026-6-1 15:0"));
    QCOMPARE(planned.at(1), QStringLiteral("2026-06-01.nudge 2026-6-1 7:30"));

    // Times out of range (a hand-edited settings file) are skipped, not rolled over into other times.
    const QString primary = kPrimary.kind;
    const QStringList kept
        = plan("de_DE", "Europe/Berlin", six, {{primary, 25, 0}, {primary, -1, 0}, {primary, 12, 60}, kNudge});
    QCOMPARE(kept.size(), 21);
    QVERIFY(kept.front().startsWith(u"2026-06-01.nudge"));

    // 02:30 does not exist on 8 March 2026 in New York: it is tested as 03:00 but planned as asked.
    const Time gap{primary, 2, 30};
    QCOMPARE(plan("en_US", "America/New_York", at("America/New_York", 2026, 3, 8, 1, 45), {gap}).front(),
             QStringLiteral("2026-03-08.primary 2026-3-8 2:30"));
    // At 03:00 EDT the skipped 02:30 has resolved to now, which is not strictly later.
    const QDateTime threeEdt = QDateTime(QDate(2026, 3, 8), QTime(7, 0), Qt::UTC);
    QVERIFY(plan("en_US", "America/New_York", threeEdt, {gap}).front().startsWith(u"2026-03-09"));

    // 01:30 happens twice on 1 November 2026: the first one counts, so after it nothing is planned that day.
    const QDateTime betweenTheTwo = QDateTime(QDate(2026, 11, 1), QTime(6, 0), Qt::UTC); // 01:00 EST
    planned = plan("en_US", "America/New_York", betweenTheTwo, {{primary, 1, 30}});
    QCOMPARE(planned.size(), 20);
    QVERIFY(planned.front().startsWith(u"2026-11-02"));

    // Lord Howe: a day of 24.5 hours is still one day.
    const QStringList lordHowe
        = plan("en_AU", "Australia/Lord_Howe", at("Australia/Lord_Howe", 2026, 4, 4, 9, 0), {kPrimary});
    QCOMPARE(lordHowe.size(), 21);
    QVERIFY(lordHowe.at(1).startsWith(u"2026-04-05"));
    QVERIFY(lordHowe.at(2).startsWith(u"2026-04-06"));

    // At 01:00 the journal day is still 1 June, but reminders are planned from the new calendar date.
    planned = plan("de_DE", "Europe/Berlin", at("Europe/Berlin", 2026, 6, 2, 1, 0), {kPrimary});
    QVERIFY(planned.front().startsWith(u"2026-06-02"));
    QVERIFY(planned.back().startsWith(u"2026-06-22"));

    // A Buddhist calendar plans Buddhist years.
    const QStringList thai
        = plan("th_TH@calendar=buddhist", "Asia/Bangkok", at("Asia/Bangkok", 2026, 12, 31, 9, 0), {kPrimary});
    QCOMPARE(thai.front(), QStringLiteral("2569-12-31.primary 2569-12-31 15:0"));
    QCOMPARE(thai.at(1), QStringLiteral("2570-01-01.primary 2570-1-1 15:0"));
}

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
