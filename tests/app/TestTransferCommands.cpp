// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/AppLockController.h"
#include "app/JournalBackup.h"
#include "app/PassphraseDialog.h"
#include "app/TransferCommands.h"
#include "journal/Keychain.h"
#include "reminders/ReminderScheduler.h"

#include "Fakes.h"
#include "TempJournal.h"

#include <QAction>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QTest>

using namespace wendle;
using namespace wendle::test;

class TestTransferCommands : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void restoresOnlyAfterAuthenticationAndPreview();
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

QTEST_MAIN(TestTransferCommands)
#include "TestTransferCommands.moc"
