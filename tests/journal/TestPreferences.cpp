// SPDX-License-Identifier: GPL-3.0-or-later
#include "journal/Preferences.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <cstring>

using namespace wendle;

namespace {

const char* const kReport = "--report";
const QString kAssignment = QString::fromLatin1(PreferenceKeys::promptAssignment);
const QString kUsed = QString::fromLatin1(PreferenceKeys::promptUsedIDs);

} // namespace

class TestPreferences : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void valuesSurviveARestart();
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

void TestPreferences::valuesSurviveARestart()
{
    Preferences writer;
    writer.setValue(PreferenceKeys::reminderEnabled, false);
    writer.setValue(PreferenceKeys::nudgeHour, 22);
    writer.setString(kAssignment, QStringLiteral("2024-03-05|memory|odd"));
    writer.setStringArray(kUsed, {QStringLiteral("memory-001")});
    writer.setStringArray(QStringLiteral("list.two"), {QStringLiteral("a, b"), QStringLiteral("c")});
    writer.sync();

    // A new process reads the file afresh, with no cache shared with this one.
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), {QString::fromLatin1(kReport), m_dir.path()});
    QVERIFY(child.waitForFinished(20000));
    QCOMPARE(child.readAllStandardOutput(), QByteArray("0|22|2024-03-05|memory|odd|memory-001|a, b;c"));
}

void TestPreferences::unreadableValuesReadAsTheirDefault()
{
    // What a hand-edited settings file may hold.
    Preferences preferences;
    preferences.setString(QStringLiteral("reminder.enabled"), QStringLiteral("yes"));
    preferences.setString(QStringLiteral("reminder.hour"), QStringLiteral("half past"));
    preferences.setInteger(QStringLiteral("reminder.nudge.hour"), (qint64(1) << 32) + 3);
    preferences.setStringArray(kAssignment, {QStringLiteral("a"), QStringLiteral("b")});
    QCOMPARE(preferences.reminderPreferences(), ReminderPreferences{});
    QCOMPARE(preferences.string(kAssignment), std::nullopt);
}

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc == 3 && std::strcmp(argv[1], kReport) == 0) {
        // What a later launch reads back.
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, QString::fromLocal8Bit(argv[2]));
        const Preferences preferences;
        const QStringList none{QStringLiteral("-")};
        const QStringList read{QString::number(preferences.value(PreferenceKeys::reminderEnabled)),
                               QString::number(preferences.value(PreferenceKeys::nudgeHour)),
                               preferences.string(kAssignment).value_or(QStringLiteral("-")),
                               preferences.stringArray(kUsed).value_or(none).join(u';'),
                               preferences.stringArray(QStringLiteral("list.two")).value_or(none).join(u';')};
        fputs(qPrintable(read.join(u'|')), stdout);
        return 0;
    }
    TestPreferences test;
    return QTest::qExec(&test, argc, argv);
}

#include "TestPreferences.moc"
