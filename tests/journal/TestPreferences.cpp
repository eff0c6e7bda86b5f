// SPDX-License-Identifier: GPL-3.0-or-later
#include "journal/Preferences.h"

#include <QTemporaryDir>
#include <QTest>

using namespace wendle;

class TestPreferences : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void defaultsWhileAbsent();
    void valuesRoundTripAndInstancesAgree();
    void unreadableValuesReadAsTheirDefault();

private:
    QTemporaryDir m_dir;
};

void TestPreferences::initTestCase()
{
    // Before any QSettings exists: keep the test's preferences out of the user's.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_dir.path());
}

void TestPreferences::init()
{
    QSettings(QStringLiteral("wendle"), QStringLiteral("wendle")).clear();
}

void TestPreferences::defaultsWhileAbsent()
{
    const Preferences preferences;
    QCOMPARE(preferences.reminderPreferences(), (ReminderPreferences{true, 15, 0, false, 21, 0}));
    QCOMPARE(preferences.boolValue(QStringLiteral("recap.shown.2024-03")), false);
    QCOMPARE(preferences.string(QStringLiteral("promptEngine.assignment")), std::nullopt);
    QCOMPARE(preferences.stringArray(QStringLiteral("promptEngine.usedIDs")), std::nullopt);
}

void TestPreferences::valuesRoundTripAndInstancesAgree()
{
    Preferences writer;
    writer.setValue(PreferenceKeys::reminderEnabled, false);
    writer.setValue(PreferenceKeys::nudgeHour, 22);
    writer.setString(QStringLiteral("promptEngine.assignment"), QStringLiteral("2024-03-05|memory|odd"));
    writer.setStringArray(QStringLiteral("promptEngine.usedIDs"), {QStringLiteral("memory-001")});
    writer.setStringArray(QStringLiteral("list.two"), {QStringLiteral("a, b"), QStringLiteral("c")});
    writer.setStringArray(QStringLiteral("list.empty"), {});

    const Preferences reader;
    QCOMPARE(reader.reminderPreferences(), (ReminderPreferences{false, 15, 0, false, 22, 0}));
    QCOMPARE(reader.string(QStringLiteral("promptEngine.assignment")), QStringLiteral("2024-03-05|memory|odd"));
    QCOMPARE(reader.stringArray(QStringLiteral("promptEngine.usedIDs")), QStringList{QStringLiteral("memory-001")});
    QCOMPARE(reader.stringArray(QStringLiteral("list.two")),
             (QStringList{QStringLiteral("a, b"), QStringLiteral("c")}));
    QCOMPARE(reader.stringArray(QStringLiteral("list.empty")).value_or(QStringList{QStringLiteral("x")}),
             QStringList{});
}

void TestPreferences::unreadableValuesReadAsTheirDefault()
{
    // What a hand-edited settings file may hold.
    Preferences preferences;
    preferences.setString(QStringLiteral("reminder.enabled"), QStringLiteral("yes"));
    preferences.setString(QStringLiteral("reminder.hour"), QStringLiteral("half past"));
    preferences.setInteger(QStringLiteral("reminder.nudge.hour"), (qint64(1) << 32) + 3);
    preferences.setStringArray(QStringLiteral("promptEngine.assignment"), {QStringLiteral("a"), QStringLiteral("b")});
    QCOMPARE(preferences.reminderPreferences(), (ReminderPreferences{true, 15, 0, false, 21, 0}));
    QCOMPARE(preferences.string(QStringLiteral("promptEngine.assignment")), std::nullopt);
}

QTEST_GUILESS_MAIN(TestPreferences)
#include "TestPreferences.moc"
