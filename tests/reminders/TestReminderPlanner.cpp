// SPDX-License-Identifier: GPL-3.0-or-later
#include "journal/DayKey.h"
#include "reminders/ReminderPlanner.h"

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

} // namespace

class TestReminderPlanner : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void plansTwentyOneDays();
    void strictlyLaterThanNow();
    void writtenDaysStayQuiet();
    void timesKeepTheirOrder();
    void clockChanges();
    void plainMidnightDays();
};

void TestReminderPlanner::plansTwentyOneDays()
{
    const Calendar berlin = Calendar::make(QStringLiteral("de_DE"), QStringLiteral("Europe/Berlin"));
    const QDateTime morning = at("Europe/Berlin", 2026, 3, 14, 10, 0);
    QVERIFY(ReminderPlanner::plan(morning, {}, {}, kPrefix, berlin).empty());

    const std::vector<PlannedReminder> plan = ReminderPlanner::plan(morning, {}, {kPrimary, kNudge}, kPrefix, berlin);
    QCOMPARE(plan.size(), std::size_t(42));
    QCOMPARE(plan.front(), (PlannedReminder{QStringLiteral("wendle.reminder.2026-03-14.primary"), 2026, 3, 14, 15, 0}));
    QCOMPARE(plan.at(1), (PlannedReminder{QStringLiteral("wendle.reminder.2026-03-14.nudge"), 2026, 3, 14, 21, 0}));
    QCOMPARE(plan.back(), (PlannedReminder{QStringLiteral("wendle.reminder.2026-04-03.nudge"), 2026, 4, 3, 21, 0}));
    for (std::size_t i = 0; i < plan.size(); ++i) {
        QCOMPARE(plan[i].identifier.endsWith(i % 2 == 0 ? u".primary" : u".nudge"), true);
    }
}

void TestReminderPlanner::strictlyLaterThanNow()
{
    const Calendar newYork = Calendar::make(QStringLiteral("en_US"), QStringLiteral("America/New_York"));
    const std::vector<Time> primary{kPrimary};
    std::vector<PlannedReminder> plan
        = ReminderPlanner::plan(at("America/New_York", 2026, 6, 1, 14, 59, 59), {}, primary, kPrefix, newYork);
    QCOMPARE(plan.size(), std::size_t(21));
    QCOMPARE(plan.front().day, 1);

    plan = ReminderPlanner::plan(at("America/New_York", 2026, 6, 1, 15, 0), {}, primary, kPrefix, newYork);
    QCOMPARE(plan.size(), std::size_t(20));
    QCOMPARE(plan.front().identifier, QStringLiteral("wendle.reminder.2026-06-02.primary"));

    plan = ReminderPlanner::plan(at("America/New_York", 2026, 6, 1, 16, 0), {}, {kPrimary, kNudge}, kPrefix, newYork);
    QCOMPARE(plan.size(), std::size_t(41));
    QCOMPARE(plan.front().identifier, QStringLiteral("wendle.reminder.2026-06-01.nudge"));
    QCOMPARE(plan.at(1).identifier, QStringLiteral("wendle.reminder.2026-06-02.primary"));
}

void TestReminderPlanner::writtenDaysStayQuiet()
{
    const Calendar newYork = Calendar::make(QStringLiteral("en_US"), QStringLiteral("America/New_York"));
    const QDateTime now = at("America/New_York", 2026, 6, 1, 10, 0);
    std::vector<PlannedReminder> plan
        = ReminderPlanner::plan(now, {QStringLiteral("2026-06-01")}, {kPrimary, kNudge}, kPrefix, newYork);
    QCOMPARE(plan.size(), std::size_t(40));
    QCOMPARE(plan.front().identifier, QStringLiteral("wendle.reminder.2026-06-02.primary"));

    QSet<QString> all;
    for (int day = 1; day <= 21; ++day) {
        all.insert(QStringLiteral("2026-06-%1").arg(day, 2, 10, QLatin1Char('0')));
    }
    QVERIFY(ReminderPlanner::plan(now, all, {kPrimary, kNudge}, kPrefix, newYork).empty());
}

void TestReminderPlanner::timesKeepTheirOrder()
{
    const Calendar berlin = Calendar::make(QStringLiteral("de_DE"), QStringLiteral("Europe/Berlin"));
    const Time earlyNudge{QStringLiteral("nudge"), 7, 30};
    const std::vector<PlannedReminder> plan
        = ReminderPlanner::plan(at("Europe/Berlin", 2026, 6, 1, 6, 0), {}, {kPrimary, earlyNudge}, kPrefix, berlin);
    QCOMPARE(plan.at(0).identifier, QStringLiteral("wendle.reminder.2026-06-01.primary"));
    QCOMPARE(plan.at(1).identifier, QStringLiteral("wendle.reminder.2026-06-01.nudge"));
    QCOMPARE(plan.at(1).hour, 7);
    QCOMPARE(plan.at(1).minute, 30);

    // Times out of range (a hand-edited settings file) are skipped, not rolled over into other times.
    const std::vector<Time> outOfRange{{QStringLiteral("primary"), 25, 0},
                                       {QStringLiteral("primary"), -1, 0},
                                       {QStringLiteral("primary"), 12, 60},
                                       kNudge};
    const std::vector<PlannedReminder> kept
        = ReminderPlanner::plan(at("Europe/Berlin", 2026, 6, 1, 6, 0), {}, outOfRange, kPrefix, berlin);
    QCOMPARE(kept.size(), std::size_t(21));
    QCOMPARE(kept.front().identifier, QStringLiteral("wendle.reminder.2026-06-01.nudge"));
}

void TestReminderPlanner::clockChanges()
{
    // 02:30 does not exist on 8 March 2026 in New York: it is tested as 03:00 but planned as asked.
    const Calendar newYork = Calendar::make(QStringLiteral("en_US"), QStringLiteral("America/New_York"));
    const Time gap{QStringLiteral("primary"), 2, 30};
    std::vector<PlannedReminder> plan
        = ReminderPlanner::plan(at("America/New_York", 2026, 3, 8, 1, 45), {}, {gap}, kPrefix, newYork);
    QCOMPARE(plan.front(), (PlannedReminder{QStringLiteral("wendle.reminder.2026-03-08.primary"), 2026, 3, 8, 2, 30}));
    // At 03:00 EDT the skipped 02:30 has resolved to now, which is not strictly later.
    plan = ReminderPlanner::plan(QDateTime(QDate(2026, 3, 8), QTime(7, 0), Qt::UTC), {}, {gap}, kPrefix, newYork);
    QCOMPARE(plan.front().day, 9);

    // 01:30 happens twice on 1 November 2026: the first one counts, so after it nothing is planned that day.
    const Time repeated{QStringLiteral("primary"), 1, 30};
    const QDateTime betweenTheTwo = QDateTime(QDate(2026, 11, 1), QTime(6, 0), Qt::UTC); // 01:00 EST
    plan = ReminderPlanner::plan(betweenTheTwo, {}, {repeated}, kPrefix, newYork);
    QCOMPARE(plan.front().day, 2);
    QCOMPARE(plan.size(), std::size_t(20));

    // Lord Howe: a day of 24.5 hours is still one day.
    const Calendar lordHowe = Calendar::make(QStringLiteral("en_AU"), QStringLiteral("Australia/Lord_Howe"));
    plan = ReminderPlanner::plan(at("Australia/Lord_Howe", 2026, 4, 4, 9, 0), {}, {kPrimary}, kPrefix, lordHowe);
    QCOMPARE(plan.size(), std::size_t(21));
    QCOMPARE(plan.at(1).identifier, QStringLiteral("wendle.reminder.2026-04-05.primary"));
    QCOMPARE(plan.at(2).identifier, QStringLiteral("wendle.reminder.2026-04-06.primary"));
}

void TestReminderPlanner::plainMidnightDays()
{
    // At 01:00 the journal day is yesterday, but reminders are planned from the new calendar date.
    const Calendar berlin = Calendar::make(QStringLiteral("de_DE"), QStringLiteral("Europe/Berlin"));
    const QDateTime oneAm = at("Europe/Berlin", 2026, 6, 2, 1, 0);
    QCOMPARE(journalDayKey(oneAm, berlin), QStringLiteral("2026-06-01"));
    const std::vector<PlannedReminder> plan = ReminderPlanner::plan(oneAm, {}, {kPrimary}, kPrefix, berlin);
    QCOMPARE(plan.front().identifier, QStringLiteral("wendle.reminder.2026-06-02.primary"));
    QCOMPARE(plan.back().identifier, QStringLiteral("wendle.reminder.2026-06-22.primary"));

    // A Buddhist calendar plans Buddhist years.
    const Calendar buddhist = Calendar::make(QStringLiteral("th_TH@calendar=buddhist"), QStringLiteral("Asia/Bangkok"));
    const std::vector<PlannedReminder> thai
        = ReminderPlanner::plan(at("Asia/Bangkok", 2026, 12, 31, 9, 0), {}, {kPrimary}, kPrefix, buddhist);
    QCOMPARE(thai.front().identifier, QStringLiteral("wendle.reminder.2569-12-31.primary"));
    QCOMPARE(thai.at(1).year, 2570);
}

QTEST_GUILESS_MAIN(TestReminderPlanner)
#include "TestReminderPlanner.moc"
