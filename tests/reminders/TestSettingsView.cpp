// SPDX-License-Identifier: GPL-3.0-or-later
#include "journal/EntryCrypto.h"
#include "journal/EntryStore.h"
#include "journal/Preferences.h"
#include "journal/SnapshotFolder.h"
#include "journal/SyncEngine.h"
#include "journal/SyncFolder.h"
#include "journal/SyncId.h"
#include "journal/SyncLogWriter.h"
#include "reminders/ReminderScheduler.h"
#include "reminders/SettingsView.h"
#include "reminders/SnapshotSettings.h"
#include "reminders/SyncSettings.h"
#include "ui/Palette.h"
#include "ui/PlainButton.h"
#include "ui/SwitchToggle.h"

#include "Widgets.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeEdit>

using namespace wendle;

class TestSettingsView : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void dailyReminderGatesTheOthers();
    void pickingATimeStoresBothParts();
    void disabledControlsFadeInAWindowOfItsNaturalSize();
    void snapshotFolderIsRefusedWithItsReason();
    void syncFolderIsChosenRefusedAndStopped();

private:
    QTemporaryDir m_dir;
    std::unique_ptr<ReminderScheduler> m_scheduler;
    std::unique_ptr<QSignalSpy> m_runs;
};

void TestSettingsView::initTestCase()
{
    // Before any QSettings exists: keep the test's preferences out of the user's.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_dir.path());
}

void TestSettingsView::init()
{
    QSettings(QStringLiteral("wendle"), QStringLiteral("wendle")).clear();
    m_scheduler = std::make_unique<ReminderScheduler>();
    m_runs = std::make_unique<QSignalSpy>(m_scheduler.get(), &ReminderScheduler::runFinished);
}

void TestSettingsView::dailyReminderGatesTheOthers()
{
    Preferences preferences;
    SettingsView view(*m_scheduler);
    // Opening applies nothing; the nudge's time waits for the nudge.
    QVERIFY(view.nudgeToggle()->isEnabled() && !view.nudgeTime()->isEnabled());
    QTest::qWait(50);
    QCOMPARE(m_runs->count(), 0);
    QTest::mouseClick(view.nudgeToggle(), Qt::LeftButton);
    QVERIFY(view.nudgeTime()->isEnabled());
    QTRY_COMPARE(m_runs->count(), 1);

    QTest::mouseClick(view.reminderToggle(), Qt::LeftButton);
    QVERIFY(!view.reminderTime()->isEnabled());
    QVERIFY(!view.nudgeToggle()->isEnabled());
    QVERIFY(!view.nudgeTime()->isEnabled());
    QVERIFY(view.nudgeToggle()->isChecked());
    QCOMPARE(preferences.value(PreferenceKeys::reminderEnabled), false);
    QCOMPARE(preferences.value(PreferenceKeys::nudgeEnabled), true);
    QCOMPARE(m_scheduler->configuration(), (ReminderPreferences{false, 15, 0, true, 21, 0}));
    QTRY_COMPARE(m_runs->count(), 2);

    // The recovery code's reminder is the Today screen's alone: stored, and never gated.
    QVERIFY(view.recoveryCodeToggle()->isEnabled() && view.recoveryCodeToggle()->isChecked());
    QTest::mouseClick(view.recoveryCodeToggle(), Qt::LeftButton);
    QCOMPARE(preferences.value(PreferenceKeys::recoveryCodeReminderEnabled), false);

    QTest::mouseClick(view.reminderToggle(), Qt::LeftButton);
    QVERIFY(view.nudgeTime()->isEnabled());
    QCOMPARE(m_scheduler->configuration(), (ReminderPreferences{true, 15, 0, true, 21, 0}));
    QTRY_COMPARE(m_runs->count(), 3);
    QVERIFY(!SettingsView(*m_scheduler).recoveryCodeToggle()->isChecked());
}

void TestSettingsView::pickingATimeStoresBothParts()
{
    SettingsView view(*m_scheduler);
    view.reminderTime()->setTime(QTime(7, 5));
    Preferences preferences;
    QCOMPARE(preferences.value(PreferenceKeys::reminderHour), 7);
    QCOMPARE(preferences.value(PreferenceKeys::reminderMinute), 5);
    QCOMPARE(m_scheduler->configuration(), (ReminderPreferences{true, 7, 5, false, 21, 0}));
    QTRY_COMPARE(m_runs->count(), 2);

    // Only the minute moves: one change.
    view.nudgeTime()->setTime(QTime(21, 30));
    QTRY_COMPARE(m_runs->count(), 3);
    QTest::qWait(50);
    QCOMPARE(m_runs->count(), 3);
    QCOMPARE(preferences.value(PreferenceKeys::nudgeMinute), 30);
}

namespace {

/** The darkest colour `widget` paints: its text's own colour, where a glyph covers whole pixels. */
int darkestLightness(QWidget* widget)
{
    const QImage image = widget->grab().toImage();
    int darkest = 255;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            darkest = std::min(darkest, image.pixelColor(x, y).lightness());
        }
    }
    return darkest;
}

/** Drawn in faint: nothing darker than it (antialiasing only lightens). */
bool faint(QWidget* widget)
{
    return darkestLightness(widget) >= Palette::faint().lightness() - 6;
}

} // namespace

void TestSettingsView::disabledControlsFadeInAWindowOfItsNaturalSize()
{
    SettingsView view(*m_scheduler);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    // Neither stretched (its rows would drift apart) nor cut short.
    QCOMPARE(view.minimumSize(), view.maximumSize());
    QVERIFY(view.childrenRect().bottom() < view.height());
    QVERIFY(view.height() - view.childrenRect().bottom() < 40);
    for (const SwitchToggle* toggle : view.findChildren<SwitchToggle*>()) {
        QVERIFY2(toggle->sizeHint().width() <= toggle->width(), qPrintable(toggle->text())); // its label whole
    }

    // A picker's label fades with the picker, and comes back with it.
    QLabel* remindAt = test::labelStarting(&view, QStringLiteral("Remind at"));
    QLabel* nudgeAt = test::labelStarting(&view, QStringLiteral("Nudge at"));
    QVERIFY(!faint(remindAt) && faint(nudgeAt));
    QTest::mouseClick(view.reminderToggle(), Qt::LeftButton);
    QVERIFY(faint(remindAt) && faint(view.nudgeToggle()));
    QTest::mouseClick(view.reminderToggle(), Qt::LeftButton);
    QVERIFY(!faint(remindAt) && !faint(view.nudgeToggle()));

    // A plain button in any colour, "Check for updates" while a check runs say.
    PlainButton button(QStringLiteral("Check for updates"), 13, Palette::ink());
    QVERIFY(!faint(&button));
    button.setEnabled(false);
    QVERIFY(faint(&button));
}

void TestSettingsView::snapshotFolderIsRefusedWithItsReason()
{
    Preferences preferences;
    SettingsView view(*m_scheduler);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    SnapshotSettings* snapshots = view.snapshots();
    const auto shownFolder = [snapshots] { return snapshots->folderLabel()->text().remove(QChar(0x200b)); };
    QCOMPARE(shownFolder(), SnapshotFolder::defaultPath());
    QCOMPARE(snapshots->lastSnapshotLabel()->text(), QStringLiteral("No snapshot yet"));
    QTest::mouseClick(snapshots->keepToggle(), Qt::LeftButton);
    QCOMPARE(preferences.value(PreferenceKeys::snapshotsEnabled), false);

    // Refused, with the reason under the folder in a window that grows to show it; the folder in use stays. (Which
    // folders are refused is TestSnapshots' to check.)
    const int height = view.height();
    QVERIFY(!snapshots->chooseFolder(QFileInfo(EntryStore::defaultPath()).path()));
    QVERIFY(snapshots->refusalLabel()->isVisible());
    QVERIFY(snapshots->refusalLabel()->text().startsWith(QStringLiteral("Not changed: ")));
    QCOMPARE(shownFolder(), SnapshotFolder::defaultPath());
    QVERIFY(view.height() > height && view.childrenRect().bottom() < view.height());
    QVERIFY(!preferences.contains(QString::fromLatin1(PreferenceKeys::snapshotsFolder)));

    const QString second = QDir::homePath() + QStringLiteral("/second-drive/wendle");
    QVERIFY(snapshots->chooseFolder(second));
    QVERIFY(!snapshots->refusalLabel()->isVisible());
    QVERIFY(view.childrenRect().bottom() < view.height() && view.height() - view.childrenRect().bottom() < 40);
    QCOMPARE(SnapshotFolder::path(preferences), second);
    QCOMPARE(shownFolder(), second);
    // However long, the path wraps inside the window's width.
    QTRY_VERIFY(snapshots->folderLabel()->geometry().right() < snapshots->chooseButton()->geometry().left()
                && snapshots->chooseButton()->geometry().right() < snapshots->width());
    // A snapshot written while the window is open shows at once.
    preferences.setValue(PreferenceKeys::lastSnapshot, QDate(2026, 12, 7));
    Q_EMIT SnapshotNotices::instance().written();
    QVERIFY(snapshots->lastSnapshotLabel()->text().startsWith(QStringLiteral("Last snapshot: ")));
    QVERIFY(snapshots->lastSnapshotLabel()->text().contains(QStringLiteral("2026")));
}

void TestSettingsView::syncFolderIsChosenRefusedAndStopped()
{
    Preferences preferences;
    QString error;
    auto store = EntryStore::open(m_dir.filePath(QStringLiteral("sync/journal.sqlite")), &error);
    QVERIFY2(store, qPrintable(error));
    QFile machine(m_dir.filePath(QStringLiteral("machine-id")));
    QVERIFY(machine.open(QIODevice::WriteOnly) && machine.write("0123456789abcdef0123456789abcdef\n") > 0);
    machine.close();
    SyncEngine engine(*store, systemClock(), nullptr, m_dir.filePath(QStringLiteral("sync/device")),
                      machine.fileName());
    SettingsView view(*m_scheduler, &engine);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    SyncSettings* sync = view.sync();
    QCOMPARE(sync->stateLabel()->text(), QStringLiteral("Off: this journal is kept on this computer only."));
    QVERIFY(!sync->stopButton()->isVisible());

    // A folder that holds the journal itself would have the sync program copy the open database: refused.
    const QString journalFolder = QFileInfo(EntryStore::defaultPath()).path();
    QVERIFY(QDir().mkpath(journalFolder));
    for (const QString& folder : {m_dir.filePath(QStringLiteral("missing")), QFileInfo(journalFolder).path()}) {
        QVERIFY(!sync->chooseFolder(folder));
        QVERIFY(sync->refusalLabel()->isVisible());
        QVERIFY(engine.folder().isEmpty());
    }
    QVERIFY(sync->refusalLabel()->text().contains(QStringLiteral("own journal file")));
    QVERIFY(!preferences.contains(QString::fromLatin1(PreferenceKeys::syncFolder)));

    const QString folder = m_dir.filePath(QStringLiteral("Sync"));
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(sync->chooseFolder(folder));
    QCOMPARE(engine.folder(), folder);
    QCOMPARE(preferences.string(QString::fromLatin1(PreferenceKeys::syncFolder)), folder);
    QVERIFY(!sync->refusalLabel()->isVisible() && sync->stopButton()->isVisible());
    QCOMPARE(sync->stateLabel()->text(), QStringLiteral("Paused while the journal is locked"));
    QCOMPARE(sync->folderLabel()->accessibleName(), QStringLiteral("Sync folder: ") + folder);

    // A folder that holds a journal sealed under another key offers to join it.
    QVERIFY(!sync->joinButton()->isVisible());
    const QByteArray stranger = SyncId::random();
    SyncLogWriter strangerLog(SyncFolder::root(folder), stranger, EntryKey::random());
    QVERIFY(strangerLog.append(SyncRecord{SyncId::random(),
                                          QDateTime::currentDateTimeUtc(),
                                          QStringLiteral("2026-12-08"),
                                          QStringLiteral("freeform"),
                                          QStringLiteral("freeform"),
                                          QStringLiteral("theirs"),
                                          1,
                                          {1, stranger},
                                          {1, stranger}},
                               &error));
    engine.unlocked(EntryKey::random());
    QTRY_VERIFY(sync->joinButton()->isVisible());
    QVERIFY(sync->stateLabel()->text().contains(QStringLiteral("another recovery code")));
    QSignalSpy joinRequested(sync, &SyncSettings::joinRequested);
    QTest::mouseClick(sync->joinButton(), Qt::LeftButton);
    QCOMPARE(joinRequested.count(), 1);

    QTest::mouseClick(sync->stopButton(), Qt::LeftButton);
    QVERIFY(engine.folder().isEmpty());
    QVERIFY(!preferences.contains(QString::fromLatin1(PreferenceKeys::syncFolder)));
    QVERIFY(!sync->stopButton()->isVisible());

    // The state in words, with counts in their plural forms.
    const QDateTime now = QDateTime::currentDateTimeUtc();
    SyncStatus status;
    status.state = SyncStatus::State::waiting;
    status.waitingComputers = 2;
    QCOMPARE(SyncSettings::stateText(status, now),
             QStringLiteral("Waiting for 2 computers' changes to finish arriving"));
    status.state = SyncStatus::State::synced;
    status.lastSynced = now.addSecs(-150);
    QCOMPARE(SyncSettings::stateText(status, now), QStringLiteral("Last synced 2 minutes ago"));
    status.lastSynced = now.addSecs(-3700);
    QCOMPARE(SyncSettings::stateText(status, now), QStringLiteral("Last synced 1 hour ago"));
    status.entriesTooLong = 1;
    QCOMPARE(SyncSettings::stateText(status, now),
             QStringLiteral("Last synced 1 hour ago\n1 entry is too long to sync (over 8 MB) and stays on this "
                            "computer."));
}

QTEST_MAIN(TestSettingsView)
#include "TestSettingsView.moc"
