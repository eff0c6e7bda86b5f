// SPDX-License-Identifier: GPL-3.0-or-later
#include "journal/Calendar.h"
#include "journal/EntryCrypto.h"
#include "journal/Preferences.h"
#include "journal/RecoveryCode.h"
#include "journal/RecoveryCodeReminder.h"

#include <QTemporaryDir>
#include <QTest>

using namespace wendle;

class TestPreferences : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void recoveryCodeReminderRule_data();
    void recoveryCodeReminderRule();
    void handEditedValuesAndTheReminderDays();

private:
    QTemporaryDir m_dir;
};

void TestPreferences::initTestCase()
{
    // Before any QSettings exists: keep the test's preferences out of the user's.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_dir.path());
}

namespace {
const QDate kToday(2026, 3, 1); // ninety days back cross a year's end and a February
} // namespace

void TestPreferences::recoveryCodeReminderRule_data()
{
    QTest::addColumn<QDate>("checked");
    QTest::addColumn<QDate>("postponedUntil");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<bool>("due");
    QTest::newRow("89 days") << kToday.addDays(-89) << QDate() << true << false;
    QTest::newRow("90 days") << kToday.addDays(-90) << QDate() << true << true;
    QTest::newRow("off") << kToday.addDays(-400) << QDate() << false << false;
    QTest::newRow("never recorded") << QDate() << QDate() << true << false;
    QTest::newRow("recorded after today") << kToday.addDays(5) << QDate() << true << false;
    QTest::newRow("postponed, a day to go") << kToday.addDays(-119) << kToday.addDays(1) << true << false;
    QTest::newRow("postponed until today") << kToday.addDays(-120) << kToday << true << true;
}

void TestPreferences::recoveryCodeReminderRule()
{
    QFETCH(QDate, checked);
    QFETCH(QDate, postponedUntil);
    QFETCH(bool, enabled);
    QTEST(RecoveryCodeReminder::due({checked, postponedUntil, enabled}, kToday), "due");
}

void TestPreferences::handEditedValuesAndTheReminderDays()
{
    QSettings(QStringLiteral("wendle"), QStringLiteral("wendle")).clear();
    const QString assignment = QString::fromLatin1(PreferenceKeys::promptAssignment);
    const QString used = QString::fromLatin1(PreferenceKeys::promptUsedIDs);
    // Values of the wrong kind read as their default.
    Preferences preferences;
    preferences.setString(QStringLiteral("reminder.enabled"), QStringLiteral("yes"));
    preferences.setString(QStringLiteral("reminder.hour"), QStringLiteral("half past"));
    preferences.setInteger(QStringLiteral("reminder.nudge.hour"), (qint64(1) << 32) + 3);
    preferences.setStringArray(assignment, {QStringLiteral("a"), QStringLiteral("b")});
    QCOMPARE(preferences.reminderPreferences(), ReminderPreferences{});
    QCOMPARE(preferences.string(assignment), std::nullopt);

    // The settings file gives a list of one back as a plain string; a list holding other kinds is no list.
    preferences.setString(used, QStringLiteral("memory-001"));
    QCOMPARE(preferences.stringArray(used), QStringList{QStringLiteral("memory-001")});
    preferences.setInteger(used, 7);
    QCOMPARE(preferences.stringArray(used), std::nullopt);

    // The recovery code reminder keeps its days there too.
    RecoveryCodeReminder reminder(preferences);
    const QDate today(2026, 12, 7);
    // An installation from before the reminder starts counting on its first day, and is not asked then.
    QVERIFY(!reminder.isDue(today));
    QCOMPARE(preferences.value(PreferenceKeys::recoveryCodeChecked), today);
    // A check starts the ninety days again and forgets a postponement.
    reminder.postpone(today.addDays(200));
    reminder.recordChecked(today.addDays(100));
    QVERIFY(!reminder.isDue(today.addDays(189)) && reminder.isDue(today.addDays(190)));
    preferences.setString(QStringLiteral("recoveryCode.checked"), QStringLiteral("someday"));
    QVERIFY(!reminder.isDue(today.addDays(500)));
    QCOMPARE(preferences.value(PreferenceKeys::recoveryCodeChecked), today.addDays(500));

    // Civil days where the user is: 23:30 UTC on 6 December is already the 7th in Berlin, whatever the calendar.
    const QDateTime late(QDate(2026, 12, 6), QTime(23, 30), Qt::UTC);
    QCOMPARE(RecoveryCodeReminder::dateOf(
                 late, Calendar::make(QStringLiteral("th_TH@calendar=buddhist"), QStringLiteral("Europe/Berlin"))),
             today);

    // Only this key's own code is its code; a code that does not parse is nobody's.
    const auto key = EntryKey::random();
    const QString code = formatRecoveryCode(QByteArray(reinterpret_cast<const char*>(key->data()), key->length()));
    QVERIFY(isRecoveryCodeOf(code.toLower().remove(u'-'), *key));
    QVERIFY(!isRecoveryCodeOf(code, *EntryKey::random()));
    QVERIFY(!isRecoveryCodeOf(code.left(50), *key));
}

QTEST_GUILESS_MAIN(TestPreferences)
#include "TestPreferences.moc"
