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
    void handEditedValues();

private:
    QTemporaryDir m_dir;
};

void TestPreferences::initTestCase()
{
    // Before any QSettings exists: keep the test's preferences out of the user's.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_dir.path());
}

void TestPreferences::handEditedValues()
{
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
}

QTEST_GUILESS_MAIN(TestPreferences)
#include "TestPreferences.moc"
