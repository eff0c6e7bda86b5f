// SPDX-License-Identifier: GPL-3.0-or-later
#include "journal/Calendar.h"
#include "journal/DayKey.h"
#include "journal/Keychain.h"
#include "lock/AppLockController.h"
#include "reminders/ReminderScheduler.h"
#include "transfer/BackgroundWork.h"
#include "transfer/JournalBackup.h"
#include "transfer/PassphraseDialog.h"
#include "transfer/TransferCommands.h"

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
    void restoresOnlyAfterAuthenticationAndPreview();
    void exportsImportsAndBacksUpSayingWhatTheyDid();
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

void enterPassphrase(QWidget& window, const QString& passphrase)
{
    PassphraseDialog* dialog = nullptr;
    QTRY_VERIFY((dialog = shown<PassphraseDialog>(window)));
    dialog->passphraseField()->setText(passphrase);
    for (QPushButton* button : dialog->findChildren<QPushButton*>()) {
        if (button->text() == QStringLiteral("Open")) {
            button->click();
        }
    }
}

QMessageBox* message(QWidget& window)
{
    QMessageBox* box = nullptr;
    [&] { QTRY_VERIFY((box = shown<QMessageBox>(window))); }();
    return box;
}

/** The shown message box once it says `text`. */
QMessageBox* messageSaying(QWidget& window, const QString& text)
{
    QMessageBox* box = nullptr;
    [&] { QTRY_VERIFY_WITH_TIMEOUT((box = shown<QMessageBox>(window)) && box->text() == text, 10000); }();
    return box;
}

void click(QMessageBox* box, const QString& label)
{
    for (QAbstractButton* button : box->buttons()) {
        if (button->text() == label) {
            button->click();
            return;
        }
    }
    QFAIL(qPrintable(QStringLiteral("no button \"%1\" in \"%2\"").arg(label, box->text())));
}

void choose(QWidget& window, const QString& path)
{
    QFileDialog* files = nullptr;
    QTRY_VERIFY((files = shown<QFileDialog>(window)));
    files->hide();
    Q_EMIT files->fileSelected(path);
}

} // namespace

void TestTransferCommands::restoresOnlyAfterAuthenticationAndPreview()
{
    QTemporaryDir settings;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
    TempJournal source;
    source.add(QStringLiteral("2024-01-01"), QStringLiteral("p-1"), QStringLiteral("first"));
    source.add(QStringLiteral("2024-01-02"), QStringLiteral("p-1"), words(25));
    QVERIFY(source.store->save());
    const QString path = source.dir.filePath(QStringLiteral("b.wendlebackup"));
    QVERIFY(
        writeBackupFile(path, snapshotJournal(*source.store, *source.key), QStringLiteral("a passphrase"), {10, 8, 1})
            .error.isEmpty());

    TempJournal journal;
    FakeAuthenticator auth;
    InMemoryKeychain keychain;
    FakeSystemEvents events;
    FakeIdleTime idle;
    ReminderScheduler scheduler;
    AppLockController lock(auth, keychain, *journal.store, events, idle);
    QWidget window;
    TransferCommands commands(lock, *journal.store, scheduler, &window);
    QMenu menu;
    commands.addTo(&menu);
    window.show();
    QVERIFY(!menu.actions().at(2)->isEnabled());
    lock.unlock();
    auth.answer(true);
    QTRY_VERIFY(lock.isUnlocked());
    QCOMPARE(menu.actions().at(2)->text(), QStringLiteral("Restore from backup…"));
    QVERIFY(menu.actions().at(2)->isEnabled());

    // Refused authentication: nothing opens.
    commands.restoreFromBackup();
    auth.answer(false);
    QTest::qWait(50);
    QVERIFY(!shown<QFileDialog>(window));

    for (const QString& passphrase : {QStringLiteral("not it at all"), QStringLiteral("a passphrase")}) {
        commands.restoreFromBackup();
        auth.answer(true);
        QFileDialog* files = nullptr;
        QTRY_VERIFY((files = shown<QFileDialog>(window)));
        files->hide();
        Q_EMIT files->fileSelected(path);
        enterPassphrase(window, passphrase);
        if (passphrase != QStringLiteral("a passphrase")) {
            QMessageBox* refused = message(window);
            QCOMPARE(refused->text(),
                     QStringLiteral("That is not the passphrase this backup was made with. "
                                    "Nothing was changed."));
            refused->button(QMessageBox::Ok)->click();
            QVERIFY(journal.store->entries().empty());
        }
    }
    QMessageBox* preview = message(window);
    QCOMPARE(preview->text(), QStringLiteral("This backup would add 2 entries (0 entries already in the journal)."));
    QVERIFY(journal.store->entries().empty());
    for (QAbstractButton* button : preview->buttons()) {
        if (button->text() == QStringLiteral("Add 2 entries")) {
            button->click();
        }
    }
    QCOMPARE(journal.store->entries().size(), std::size_t(2));
    QTRY_COMPARE(message(window)->text(), QStringLiteral("Restored 2 entries."));
}

void TestTransferCommands::exportsImportsAndBacksUpSayingWhatTheyDid()
{
    QTemporaryDir settings;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
    LockRig rig;
    rig.keepKey();
    const QDateTime noon = QDateTime::fromString(QStringLiteral("2024-01-01T12:00:00Z"), Qt::ISODate);
    for (int day = 0; day < 3; ++day) {
        rig.journal.add(journalDayKey(noon.addDays(day), Calendar::current()), QStringLiteral("p-1"), words(3), -1,
                        noon.addDays(day));
    }
    QVERIFY(rig.store.save());
    QWidget window;
    TransferCommands commands(rig.lock, rig.store, rig.scheduler, &window);
    window.show();
    rig.lock.unlock();
    rig.auth.answer(true);
    QTRY_VERIFY(rig.lock.isUnlocked());

    // Two of the three day files are there already and are kept: the summary counts what was written.
    QTemporaryDir out;
    const QString folder = QDir::toNativeSeparators(out.path());
    for (const QString& name : {QStringLiteral("2024-01-01.md"), QStringLiteral("2024-01-02.md")}) {
        QFile file(out.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("mine") == 4);
    }
    commands.exportEntries();
    rig.auth.answer(true);
    click(messageSaying(window, QStringLiteral("This export is not encrypted.")),
          QStringLiteral("Export as Markdown…"));
    choose(window, out.path());
    click(messageSaying(window, QStringLiteral("2 of these files already exist in %1.").arg(folder)),
          QStringLiteral("Keep existing files"));
    click(messageSaying(window,
                        QStringLiteral("Exported 1 entry into 1 file in %1; 2 files were already there and "
                                       "were kept.")
                            .arg(folder)),
          QStringLiteral("OK"));
    QCOMPARE(fileBytes(out.filePath(QStringLiteral("2024-01-01.md"))), QByteArray("mine"));

    // Importing that folder back: the two plain files are free writing, Wendle's own day is already there.
    commands.importEntries();
    rig.auth.answer(true);
    click(messageSaying(window, QStringLiteral("Import entries from…")), QStringLiteral("Folder…"));
    choose(window, out.path());
    QMessageBox* preview = messageSaying(window, QStringLiteral("This would add 2 entries (1 entry skipped)."));
    QVERIFY(preview->informativeText().startsWith(QStringLiteral("They are free writing.")));
    QVERIFY(preview->detailedText().contains(QStringLiteral("(1 word) from 2024-01-01.md")));
    click(preview, QStringLiteral("Import 2 entries"));
    click(messageSaying(window, QStringLiteral("Imported 2 entries.")), QStringLiteral("OK"));
    QCOMPARE(rig.store.entries().size(), std::size_t(5));

    // Sealing a backup takes Wendle's full key derivation, twice, and the window goes on meanwhile.
    int ticks = 0;
    QTimer tick;
    connect(&tick, &QTimer::timeout, [&ticks] { ++ticks; });
    commands.backUp();
    rig.auth.answer(true);
    choose(window, out.filePath(QStringLiteral("b.wendlebackup")));
    PassphraseDialog* dialog = nullptr;
    QTRY_VERIFY((dialog = shown<PassphraseDialog>(window)));
    dialog->passphraseField()->setText(QStringLiteral("a long passphrase"));
    dialog->repeatField()->setText(QStringLiteral("a long passphrase"));
    tick.start(10);
    for (QPushButton* button : dialog->findChildren<QPushButton*>()) {
        if (button->text() == QStringLiteral("Back up")) {
            button->click();
        }
    }
    QCOMPARE(ticks, 0);
    messageSaying(window, QStringLiteral("Backed up 5 entries"));
    QVERIFY2(ticks > 5, qPrintable(QString::number(ticks)));
    QCOMPARE(QFile::permissions(out.filePath(QStringLiteral("b.wendlebackup"))) & 0x0077, 0);
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
    QPushButton* cancel = dialog->findChild<QPushButton*>();
    QVERIFY(cancel && cancel->text() == QStringLiteral("Cancel"));
    cancel->click();
    QVERIFY(cancelled);
    QTRY_VERIFY(stopped);
    QTest::qWait(50);
    QVERIFY(!delivered);
    QVERIFY(!shown<QProgressDialog>(window));
}

QTEST_MAIN(TestTransferCommands)
#include "TestTransferCommands.moc"
