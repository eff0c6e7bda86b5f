// SPDX-License-Identifier: GPL-3.0-or-later
#include "transfer/BackupCommand.h"

#include "journal/Calendar.h"
#include "transfer/BackgroundWork.h"
#include "transfer/JournalBackup.h"
#include "transfer/PassphraseDialog.h"
#include "ui/SwitchToggle.h"

namespace wendle {

BackupCommand::BackupCommand(const TransferContext& context, QObject* parent)
    : QObject(parent)
    , m_context(context)
{
}

void BackupCommand::run()
{
    m_context.afterAuthentication(this, [this] {
        QFileDialog* dialog = m_context.fileDialog(tr("Back up"), QFileDialog::AcceptSave, QFileDialog::AnyFile);
        dialog->setNameFilter(backupFilter());
        dialog->setDefaultSuffix(QStringLiteral("wendlebackup"));
        dialog->selectFile(backupFileName(QDateTime::currentDateTimeUtc(), Calendar::current()));
        connect(dialog, &QFileDialog::fileSelected, this, &BackupCommand::askPassphrase);
        dialog->open();
    });
}

void BackupCommand::askPassphrase(const QString& path)
{
    auto* dialog = new PassphraseDialog(PassphraseDialog::Purpose::newBackup, m_context.window());
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &PassphraseDialog::passphraseEntered, this, [this, path, dialog](const QString& passphrase) {
        writeBackup(path, Passphrase(passphrase), dialog->versionsBox()->isChecked());
    });
    dialog->open();
}

void BackupCommand::writeBackup(const QString& path, const Passphrase& passphrase, bool withVersions)
{
    auto contents = std::make_shared<BackupContents>();
    {
        const std::shared_ptr<const EntryKey> key = m_context.currentKey();
        if (!key) {
            return;
        }
        *contents = snapshotJournal(m_context.store(), *key, withVersions);
    }
    // Deriving the key is deliberately slow (about a second, twice: sealing and the check that reads it back).
    runInBackground<BackupWriteResult>(
        this, m_context.window(), tr("Sealing the backup…"), {},
        [path, contents, passphrase](WorkProgress&) { return writeBackupFile(path, *contents, passphrase); },
        [this](const BackupWriteResult& result) {
            //: %1 is a number of entries ("2 entries").
            m_context.tell(result.error.isEmpty() ? tr("Backed up %1").arg(entriesText(result.entries)) : result.error);
        });
}

} // namespace wendle
