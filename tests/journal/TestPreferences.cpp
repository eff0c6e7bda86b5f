// SPDX-License-Identifier: GPL-3.0-or-later
#include "journal/Preferences.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace wendle;

class TestPreferences : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void defaultsWhileAbsent();
    void valuesRoundTripAndInstancesAgree();
    void wrongTypesReadAsNothing();

private:
    QTemporaryDir m_dir;
};

void TestPreferences::initTestCase()
{
    // Before any QSettings exists: keep the test's preferences out of the user's.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_dir.path());
}

void TestPreferences::defaultsWhileAbsent()
{
    const Preferences preferences;
    const ReminderPreferences reminders = preferences.reminderPreferences();
    QCOMPARE(reminders, (ReminderPreferences{true, 15, 0, false, 21, 0}));
    QCOMPARE(preferences.boolValue(QStringLiteral("recap.shown.2024-03")), false);
    QCOMPARE(preferences.string(QStringLiteral("promptEngine.assignment")), std::nullopt);
    QCOMPARE(preferences.stringArray(QStringLiteral("promptEngine.usedIDs")), std::nullopt);
    QCOMPARE(preferences.integer(QStringLiteral("reminder.hour")), 0);
}

void TestPreferences::valuesRoundTripAndInstancesAgree()
{
    Preferences writer;
    writer.setValue(PreferenceKeys::reminderEnabled, false);
    writer.setValue(PreferenceKeys::nudgeHour, 22);
    writer.setBool(QStringLiteral("recap.shown.2024-03"), true);
    writer.setString(QStringLiteral("promptEngine.assignment"), QStringLiteral("2024-03-05|memory|odd"));
    writer.setStringArray(QStringLiteral("promptEngine.usedIDs"), {QStringLiteral("memory-001")});
    writer.setStringArray(QStringLiteral("list.two"), {QStringLiteral("a, b"), QStringLiteral("c")});
    writer.setStringArray(QStringLiteral("list.empty"), {});

    // Another instance in the same process sees every value at once...
    const Preferences reader;
    QCOMPARE(reader.value(PreferenceKeys::reminderEnabled), false);
    QCOMPARE(reader.value(PreferenceKeys::nudgeHour), 22);
    QCOMPARE(reader.value(PreferenceKeys::reminderHour), 15);
    QCOMPARE(reader.boolValue(QStringLiteral("recap.shown.2024-03")), true);
    QCOMPARE(reader.string(QStringLiteral("promptEngine.assignment")), QStringLiteral("2024-03-05|memory|odd"));
    QCOMPARE(reader.stringArray(QStringLiteral("promptEngine.usedIDs")), QStringList{QStringLiteral("memory-001")});
    QCOMPARE(reader.stringArray(QStringLiteral("list.two")),
             (QStringList{QStringLiteral("a, b"), QStringLiteral("c")}));
    QCOMPARE(reader.stringArray(QStringLiteral("list.empty")).value_or(QStringList{QStringLiteral("x")}),
             QStringList{});

    // ...and so does a later launch, reading the file afresh.
    writer.sync();
    QSettings file(m_dir.filePath(QStringLiteral("wendle/wendle.conf")), QSettings::IniFormat);
    QCOMPARE(file.value(QStringLiteral("reminder.nudge.hour")).toInt(), 22);
    QCOMPARE(file.value(QStringLiteral("promptEngine.usedIDs")).toStringList(),
             QStringList{QStringLiteral("memory-001")});
}

void TestPreferences::wrongTypesReadAsNothing()
{
    Preferences preferences;
    preferences.setString(QStringLiteral("reminder.nudge.enabled"), QStringLiteral("maybe"));
    preferences.setStringArray(QStringLiteral("promptEngine.assignment"), {QStringLiteral("a"), QStringLiteral("b")});
    preferences.setString(QStringLiteral("reminder.minute"), QStringLiteral("half past"));
    QCOMPARE(preferences.value(PreferenceKeys::nudgeEnabled), false);
    QCOMPARE(preferences.string(QStringLiteral("promptEngine.assignment")), std::nullopt);
    QCOMPARE(preferences.value(PreferenceKeys::reminderMinute), 0);
}

QTEST_GUILESS_MAIN(TestPreferences)
#include "TestPreferences.moc"
