// SPDX-License-Identifier: GPL-3.0-or-later
#include "journal/Calendar.h"
#include "journal/DayKey.h"
#include "lock/AppLockController.h"
#include "transfer/BackgroundWork.h"
#include "transfer/JournalBackup.h"
#include "transfer/PassphraseDialog.h"
#include "transfer/SnapshotWriter.h"
#include "transfer/TransferContext.h"
#include "transfer/TransferMenu.h"
#include "ui/SwitchToggle.h"

#include "Fakes.h"
#include "TempJournal.h"

#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <QTimer>

using namespace wendle;
using namespace wendle::test;

class TestTransferCommands : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void exportsImportsBacksUpAndRestoresSayingWhatTheyDid();
    void longWorkCanBeCancelled();
};

namespace {

template <typename T> T* shown(QWidget& window)
{
    for (T* widget : window.findChildren<T*>()) {
        if (widget->isVisible()) {
            return widget;
        }
    }
    return nullptr;
}

/** The shown message box once it says `text`. */
QMessageBox* messageSaying(QWidget& window, const QString& text)
{
    QMessageBox* box = nullptr;
    [&] { QTRY_VERIFY_WITH_TIMEOUT((box = shown<QMessageBox>(window)) && box->text() == text, 10000); }();
    return box;
}

void click(QWidget* dialog, const QString& label)
{
    for (QAbstractButton* button : dialog->findChildren<QAbstractButton*>()) {
        if (button->text() == label) {
            button->click();
            return;
        }
    }
    QFAIL(qPrintable(QStringLiteral("no button \"%1\"").arg(label)));
}

void choose(QWidget& window, const QString& path)
{
    QFileDialog* files = nullptr;
    QTRY_VERIFY((files = shown<QFileDialog>(window)));
    files->hide();
    Q_EMIT files->fileSelected(path);
}

PassphraseDialog* passphraseDialog(QWidget& window, const QString& passphrase)
{
    PassphraseDialog* dialog = nullptr;
    [&] { QTRY_VERIFY((dialog = shown<PassphraseDialog>(window))); }();
    dialog->passphraseField()->setText(passphrase);
    return dialog;
}

/** The journal's window with the transfer commands in its menu, unlocked. */
struct CommandRig : LockRig
{
    QWidget window;
    QMenu menu;
    /** The journal's entry count each time the commands said entries were about to arrive. */
    std::vector<std::size_t> arrivals;

    void unlock()
    {
        addTransferCommands(&menu, TransferContext(lock, store, scheduler, &window, [this] {
            arrivals.push_back(store.entries().size());
        }));
        window.show();
        QVERIFY(!menu.actions().at(2)->isEnabled());
        lock.unlock();
        auth.answer(true);
        QTRY_VERIFY(lock.isUnlocked());
        QVERIFY(menu.actions().at(2)->isEnabled());
    }

    /** Runs the menu's command `label` once the user has authenticated again. */
    void run(const QString& label, bool authenticated = true)
    {
        for (QAction* action : menu.actions()) {
            if (action->text() == label) {
                action->trigger();
                auth.answer(authenticated);
                return;
            }
        }
        QFAIL(qPrintable(label));
    }
};

} // namespace

void TestTransferCommands::exportsImportsBacksUpAndRestoresSayingWhatTheyDid()
{
    QTemporaryDir settings;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
    CommandRig rig;
    rig.keepKey();
    const QDateTime noon = QDateTime::fromString(QStringLiteral("2024-01-01T12:00:00Z"), Qt::ISODate);
    for (int day = 0; day < 3; ++day) {
        rig.journal.add(journalDayKey(noon.addDays(day), Calendar::current()), QStringLiteral("p-1"), words(3), -1,
                        noon.addDays(day));
    }
    QVERIFY(rig.store.save());
    // One earlier version, for a backup that asks for them.
    Entry* edited = rig.store.entries().front();
    rig.store.replaceBody(edited, sealEntryText(words(4), *rig.journal.key), *rig.journal.key);
    QVERIFY(rig.store.save());
    rig.unlock();

    // Two of the three day files are there already and are kept: the summary counts what was written.
    QTemporaryDir out;
    const QString folder = QDir::toNativeSeparators(out.path());
    for (const QString& name : {QStringLiteral("2024-01-01.md"), QStringLiteral("2024-01-02.md")}) {
        QFile file(out.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("mine") == 4);
    }
    rig.run(QStringLiteral("Export…"));
    click(messageSaying(rig.window, QStringLiteral("This export is not encrypted.")),
          QStringLiteral("Export as Markdown…"));
    choose(rig.window, out.path());
    click(messageSaying(rig.window, QStringLiteral("2 of these files already exist in %1.").arg(folder)),
          QStringLiteral("Keep existing files"));
    click(messageSaying(rig.window,
                        QStringLiteral("Exported 1 entry into 1 file in %1; 2 files were already there and were kept.")
                            .arg(folder)),
          QStringLiteral("OK"));
    QCOMPARE(fileBytes(out.filePath(QStringLiteral("2024-01-01.md"))), QByteArray("mine"));

    // Importing that folder back: the two plain files are free writing, Wendle's own day is already there.
    rig.run(QStringLiteral("Import…"));
    click(messageSaying(rig.window, QStringLiteral("Import entries from…")), QStringLiteral("Folder…"));
    choose(rig.window, out.path());
    QMessageBox* preview = messageSaying(rig.window, QStringLiteral("This would add 2 entries (1 entry skipped)."));
    QVERIFY(preview->informativeText().startsWith(QStringLiteral("They are free writing. Dated files")));
    QVERIFY(preview->detailedText().contains(QStringLiteral("(1 word) from 2024-01-01.md")));
    QVERIFY(rig.arrivals.empty());
    click(preview, QStringLiteral("Import 2 entries"));
    click(messageSaying(rig.window, QStringLiteral("Imported 2 entries.")), QStringLiteral("OK"));
    QCOMPARE(rig.store.entries().size(), std::size_t(5));
    // Said before they landed, so that the shell can tell them from new writing.
    QCOMPARE(rig.arrivals, std::vector<std::size_t>{3});

    // Sealing a backup takes Wendle's full key derivation, twice, and the window goes on meanwhile.
    const QString backup = out.filePath(QStringLiteral("b.wendlebackup"));
    int ticks = 0;
    QTimer tick;
    connect(&tick, &QTimer::timeout, [&ticks] { ++ticks; });
    rig.run(QStringLiteral("Back up…"));
    choose(rig.window, backup);
    PassphraseDialog* dialog = passphraseDialog(rig.window, QStringLiteral("a long passphrase"));
    dialog->repeatField()->setText(QStringLiteral("a long passphrase"));
    QVERIFY(!dialog->versionsBox()->isChecked());
    dialog->versionsBox()->setChecked(true);
    tick.start(10);
    click(dialog, QStringLiteral("Back up"));
    QCOMPARE(ticks, 0);
    click(messageSaying(rig.window, QStringLiteral("Backed up 5 entries")), QStringLiteral("OK"));
    QVERIFY2(ticks > 5, qPrintable(QString::number(ticks)));
    QCOMPARE(QFile::permissions(backup) & 0x0077, 0);

    // Restoring it into another journal: nothing without authentication, nothing with a wrong passphrase, and
    // nothing before the preview is accepted.
    CommandRig other;
    other.unlock();
    other.run(QStringLiteral("Restore from backup…"), false);
    QTest::qWait(50);
    QVERIFY(!shown<QFileDialog>(other.window));
    const auto restoreWith = [&other, &backup](const QString& passphrase) {
        other.run(QStringLiteral("Restore from backup…"));
        choose(other.window, backup);
        click(passphraseDialog(other.window, passphrase), QStringLiteral("Open"));
    };
    // Wendle's own JSON export keeps each entry's prompt: nothing in it was made free writing.
    const QString json = out.filePath(QStringLiteral("all.json"));
    rig.run(QStringLiteral("Export…"));
    click(messageSaying(rig.window, QStringLiteral("This export is not encrypted.")),
          QStringLiteral("Export as JSON…"));
    choose(rig.window, json);
    QTRY_VERIFY(QFile::exists(json) && shown<QMessageBox>(rig.window));
    other.run(QStringLiteral("Import…"));
    click(messageSaying(other.window, QStringLiteral("Import entries from…")), QStringLiteral("JSON file…"));
    choose(other.window, json);
    preview = messageSaying(other.window, QStringLiteral("This would add 5 entries (0 entries skipped)."));
    QVERIFY(preview->informativeText().startsWith(
        QStringLiteral("2 of them are free writing, the others answers to prompts.")));
    QVERIFY(!preview->informativeText().contains(QStringLiteral("Dated files")));
    click(preview, QStringLiteral("Cancel"));

    restoreWith(QStringLiteral("not it at all"));
    click(messageSaying(other.window,
                        QStringLiteral("That is not the passphrase this backup was made with. Nothing was changed.")),
          QStringLiteral("OK"));
    restoreWith(QStringLiteral("a long passphrase"));
    QMessageBox* restore = messageSaying(other.window,
                                         QStringLiteral("This backup would add 5 entries (0 entries "
                                                        "already in the journal). It also brings back 1 "
                                                        "earlier version."));
    QVERIFY(other.store.entries().empty());
    click(restore, QStringLiteral("Add 5 entries"));
    QCOMPARE(other.store.entries().size(), std::size_t(5));
    QCOMPARE(other.arrivals, std::vector<std::size_t>{0});
    click(messageSaying(other.window, QStringLiteral("Restored 5 entries.\n1 earlier version brought back.")),
          QStringLiteral("OK"));

    // A snapshot needs no passphrase: the journal's own key opens it, and no other journal's does.
    const SnapshotOutcome snapshot = writeSnapshot(out.filePath(QStringLiteral("snapshots")), QDate(2026, 12, 7),
                                                   rig.store.path(), SnapshotKey(*rig.journal.key));
    QVERIFY2(snapshot.problem.isEmpty(), qPrintable(snapshot.problem));
    other.run(QStringLiteral("Restore from snapshot…"));
    choose(other.window, snapshot.path);
    click(messageSaying(other.window,
                        QStringLiteral("This snapshot was sealed with another key than this journal's. "
                                       "Nothing was changed.")),
          QStringLiteral("OK"));
    click(shown<QMessageBox>(rig.window), QStringLiteral("OK")); // what the JSON export said
    rig.run(QStringLiteral("Restore from snapshot…"));
    choose(rig.window, snapshot.path);
    messageSaying(
        rig.window,
        QStringLiteral("Every entry of this snapshot is already in the journal (5 entries). Nothing was added."));
}

void TestTransferCommands::longWorkCanBeCancelled()
{
    QWidget window;
    window.show();
    bool delivered = false;
    bool cancelled = false;
    std::atomic<bool> stopped{false};
    // Work that runs until it is told to stop, as a read of a huge folder would.
    runInBackground<int>(
        &window, &window, QStringLiteral("Reading the files…"), QStringLiteral("Cancel"),
        [&stopped](WorkProgress& progress) {
            progress.total = 10;
            while (!progress.cancelled) {
                QThread::msleep(5);
            }
            stopped = true;
            return 1;
        },
        [&delivered](int) { delivered = true; }, [&cancelled] { cancelled = true; });
    QProgressDialog* dialog = nullptr;
    QTRY_VERIFY((dialog = shown<QProgressDialog>(window)));
    QCOMPARE(dialog->labelText(), QStringLiteral("Reading the files…"));
    click(dialog, QStringLiteral("Cancel"));
    QVERIFY(cancelled);
    QTRY_VERIFY(stopped);
    QTest::qWait(50);
    QVERIFY(!delivered);
    QVERIFY(!shown<QProgressDialog>(window));
}

QTEST_MAIN(TestTransferCommands)
#include "TestTransferCommands.moc"
