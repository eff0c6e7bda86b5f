// SPDX-License-Identifier: GPL-3.0-or-later
#include "journal/Calendar.h"
#include "journal/DayKey.h"

#include <QTest>
#include <QTimeZone>

using namespace wendle;

namespace {

QDateTime utc(int y, int mo, int d, int h, int mi)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi), Qt::UTC);
}

// A wall time that exists exactly once in the zone, as a UTC moment, by the system's rules.
QDateTime wall(const QString& zone, int y, int mo, int d, int h, int mi, int s = 0)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s), QTimeZone(zone.toUtf8())).toUTC();
}

} // namespace

class TestDayKey : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void journalDay_data();
    void journalDay();
    void nonGregorianKeys();
    void parsing_data();
    void parsing();
    void currentCalendarFollowsTheEnvironment();
    void zoneRulesComeFromTheSystem();
    void daylightSavingArithmetic();
    void skippedAndRepeatedWallTimes();
};

void TestDayKey::journalDay_data()
{
    QTest::addColumn<QString>("zone");
    QTest::addColumn<QDateTime>("moment");
    QTest::addColumn<QString>("key");

    for (const QString& zone : {QStringLiteral("America/New_York"), QStringLiteral("Europe/Berlin"),
                                QStringLiteral("Australia/Lord_Howe"), QStringLiteral("Pacific/Apia")}) {
        const QByteArray z = zone.toUtf8();
        QTest::addRow("%s one second before three", z.constData())
            << zone << wall(zone, 2024, 3, 5, 2, 59, 59) << QStringLiteral("2024-03-04");
        QTest::addRow("%s at three", z.constData())
            << zone << wall(zone, 2024, 3, 5, 3, 0) << QStringLiteral("2024-03-05");
        QTest::addRow("%s just after midnight on new year", z.constData())
            << zone << wall(zone, 2025, 1, 1, 0, 30) << QStringLiteral("2024-12-31");
        QTest::addRow("%s small hours after a leap day", z.constData())
            << zone << wall(zone, 2024, 3, 1, 1, 0) << QStringLiteral("2024-02-29");
    }
    // Clock-change nights: the journal day still turns at 03:00 local time.
    QTest::newRow("New York, spring night, 01:59 EST")
        << QStringLiteral("America/New_York") << wall(QStringLiteral("America/New_York"), 2024, 3, 10, 1, 59)
        << QStringLiteral("2024-03-09");
    QTest::newRow("New York, spring night, 03:00 EDT")
        << QStringLiteral("America/New_York") << wall(QStringLiteral("America/New_York"), 2024, 3, 10, 3, 0)
        << QStringLiteral("2024-03-10");
    QTest::newRow("Berlin, autumn night, second 02:30")
        << QStringLiteral("Europe/Berlin") << QDateTime(QDate(2024, 10, 27), QTime(1, 30), Qt::UTC)
        << QStringLiteral("2024-10-26");
    QTest::newRow("Lord Howe, autumn night, repeated 01:45")
        << QStringLiteral("Australia/Lord_Howe") << QDateTime(QDate(2024, 4, 6), QTime(15, 15), Qt::UTC)
        << QStringLiteral("2024-04-06");
}

void TestDayKey::journalDay()
{
    QFETCH(QString, zone);
    QFETCH(QDateTime, moment);
    QFETCH(QString, key);
    QCOMPARE(journalDayKey(moment, Calendar::make(QStringLiteral("en_US"), zone)), key);
}

void TestDayKey::nonGregorianKeys()
{
    const Calendar buddhist = Calendar::make(QStringLiteral("th_TH@calendar=buddhist"), QStringLiteral("Asia/Bangkok"));
    QCOMPARE(journalDayKey(wall(QStringLiteral("Asia/Bangkok"), 2024, 3, 5, 2, 59), buddhist),
             QStringLiteral("2567-03-04"));
    QCOMPARE(journalDayKey(wall(QStringLiteral("Asia/Bangkok"), 2024, 3, 5, 3, 0), buddhist),
             QStringLiteral("2567-03-05"));
    QCOMPARE(dateForDayKey(QStringLiteral("2567-03-05"), buddhist),
             wall(QStringLiteral("Asia/Bangkok"), 2024, 3, 5, 0, 0));

    // A key stored under the Gregorian calendar is not converted: read as Buddhist it names another day.
    const QDateTime gregorianKeyAsBuddhist = *dateForDayKey(QStringLiteral("2024-03-05"), buddhist);
    QCOMPARE(gregorianKeyAsBuddhist.date().year(), 2024 - 543);
}

void TestDayKey::parsing_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("day"); // empty when the key names nothing

    QTest::newRow("plain") << QStringLiteral("2024-03-05") << QStringLiteral("2024-03-05");
    QTest::newRow("unpadded") << QStringLiteral("2024-3-5") << QStringLiteral("2024-03-05");
    QTest::newRow("empty piece dropped") << QStringLiteral("2024--03-05") << QStringLiteral("2024-03-05");
    QTest::newRow("non-numeric piece skipped") << QStringLiteral("x-2024-03-05") << QStringLiteral("2024-03-05");
    QTest::newRow("plus sign") << QStringLiteral("2024-+03-05") << QStringLiteral("2024-03-05");
    QTest::newRow("month 13 rolls over") << QStringLiteral("2024-13-01") << QStringLiteral("2025-01-01");
    QTest::newRow("day 0 rolls back") << QStringLiteral("2024-03-00") << QStringLiteral("2024-02-29");
    QTest::newRow("year below 1000") << QStringLiteral("999-1-1") << QStringLiteral("0999-01-01");
    QTest::newRow("two numbers") << QStringLiteral("2024-03") << QString();
    QTest::newRow("four numbers") << QStringLiteral("2024-03-05-07") << QString();
    QTest::newRow("empty") << QString() << QString();
    QTest::newRow("blank in a piece") << QStringLiteral("2024- 03-05") << QString();
    QTest::newRow("non-ASCII digits") << QStringLiteral("٢٠٢٤-03-05") << QString();
    QTest::newRow("too large for the calendar") << QStringLiteral("99999999999-01-01") << QString();
    QTest::newRow("past the calendar's range") << QStringLiteral("2147483647-12-31") << QString();
    QTest::newRow("too large for any integer") << QStringLiteral("99999999999999999999-01-01") << QString();
}

void TestDayKey::parsing()
{
    QFETCH(QString, key);
    QFETCH(QString, day);
    const Calendar newYork = Calendar::make(QStringLiteral("en_US"), QStringLiteral("America/New_York"));
    const std::optional<QDateTime> date = dateForDayKey(key, newYork);
    if (day.isEmpty()) {
        QCOMPARE(date, std::nullopt);
        return;
    }
    QVERIFY(date.has_value());
    QCOMPARE(calendarDayKey(*date, newYork), day);
    QCOMPARE(*date, newYork.startOfDay(*date));
}

void TestDayKey::currentCalendarFollowsTheEnvironment()
{
    qputenv("TZ", "Asia/Tokyo");
    qputenv("LC_ALL", "de_DE.UTF-8");
    Calendar first = Calendar::current();
    QCOMPARE(first.timeZoneId(), QStringLiteral("Asia/Tokyo"));
    QCOMPARE(first.localeId(), QStringLiteral("de_DE"));
    QCOMPARE(first.firstWeekday(), 2);
    QCOMPARE(first.components(utc(2024, 3, 4, 16, 0)).day, 5); // 01:00 in Tokyo

    // A changed zone and locale are seen by the very next call.
    qputenv("TZ", "America/New_York");
    qputenv("LC_ALL", "th_TH.UTF-8@calendar=buddhist");
    Calendar second = Calendar::current();
    QCOMPARE(second.timeZoneId(), QStringLiteral("America/New_York"));
    QCOMPARE(second.type(), QStringLiteral("buddhist"));
    QCOMPARE(second.components(utc(2024, 3, 4, 16, 0)).hour, 11);

    qputenv("LC_ALL", "C");
    QCOMPARE(Calendar::current().localeId(), QStringLiteral("en_US_POSIX"));
}

void TestDayKey::zoneRulesComeFromTheSystem()
{
    // Mexico abolished daylight-saving time in October 2022; older built-in ICU data still applies it, which
    // would put 02:30 at 03:30 and file the writing under the wrong journal day.
    const Calendar mexico = Calendar::make(QStringLiteral("es_MX"), QStringLiteral("America/Mexico_City"));
    const QDateTime moment = utc(2023, 6, 15, 8, 30);
    QCOMPARE(mexico.components(moment).hour, 2);
    QCOMPARE(journalDayKey(moment, mexico), QStringLiteral("2023-06-14"));
    QCOMPARE(mexico.startOfDay(moment), utc(2023, 6, 15, 6, 0));

    // An id the system does not know still gives a working calendar.
    const Calendar unknown = Calendar::make(QStringLiteral("en_US"), QStringLiteral("Not/AZone"));
    QCOMPARE(unknown.components(utc(2024, 1, 1, 12, 0)).hour, 12);
}

void TestDayKey::daylightSavingArithmetic()
{
    // New York, 10 March 2024: a 23-hour day. Adding a day keeps the wall time.
    const Calendar newYork = Calendar::make(QStringLiteral("en_US"), QStringLiteral("America/New_York"));
    const QDateTime before = wall("America/New_York", 2024, 3, 9, 12, 0);
    QCOMPARE(newYork.adding(Calendar::Unit::day, 1, before), wall("America/New_York", 2024, 3, 10, 12, 0));
    const QDateTime dayStart = newYork.startOfDay(wall("America/New_York", 2024, 3, 10, 18, 0));
    QCOMPARE(dayStart, utc(2024, 3, 10, 5, 0));
    QCOMPARE(newYork.startOfDay(*newYork.adding(Calendar::Unit::day, 1, dayStart)), utc(2024, 3, 11, 4, 0));

    // Samoa skipped 30 December 2011 entirely: stepping a day at a time from the 29th visits the 31st next.
    const Calendar apia = Calendar::make(QStringLiteral("en_WS"), QStringLiteral("Pacific/Apia"));
    QDateTime step = wall("Pacific/Apia", 2011, 12, 29, 12, 0);
    QStringList visited;
    for (int i = 0; i < 3; ++i) {
        step = *apia.adding(Calendar::Unit::day, 1, step);
        visited << calendarDayKey(step, apia);
    }
    QCOMPARE(visited,
             (QStringList{QStringLiteral("2011-12-31"), QStringLiteral("2012-01-01"), QStringLiteral("2012-01-02")}));
}

void TestDayKey::skippedAndRepeatedWallTimes()
{
    const Calendar newYork = Calendar::make(QStringLiteral("en_US"), QStringLiteral("America/New_York"));
    // 02:30 does not exist on 10 March 2024: it resolves to the next moment that does, 03:00 EDT.
    QCOMPARE(newYork.date(2024, 3, 10, 2, 30), utc(2024, 3, 10, 7, 0));
    // 01:30 happens twice on 3 November 2024: the first one (EDT) is taken.
    QCOMPARE(newYork.date(2024, 11, 3, 1, 30), utc(2024, 11, 3, 5, 30));

    // Chile moves its clocks at midnight: 8 September 2024 begins at 01:00.
    const Calendar santiago = Calendar::make(QStringLiteral("es_CL"), QStringLiteral("America/Santiago"));
    QCOMPARE(santiago.startOfDay(utc(2024, 9, 8, 15, 0)), utc(2024, 9, 8, 4, 0));
    QCOMPARE(dateForDayKey(QStringLiteral("2024-09-08"), santiago), utc(2024, 9, 8, 4, 0));

    // A year beyond what the calendar holds gives nothing.
    QCOMPARE(newYork.date(5'000'000'000LL, 1, 1), std::nullopt);
}

QTEST_GUILESS_MAIN(TestDayKey)
#include "TestDayKey.moc"
