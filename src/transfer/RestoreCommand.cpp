// SPDX-License-Identifier: GPL-3.0-or-later
#include "transfer/RestoreCommand.h"

#include "journal/Calendar.h"
#include "transfer/BackgroundWork.h"
#include "transfer/ImportFiles.h"
#include "transfer/JournalBackup.h"
#include "transfer/PassphraseDialog.h"

#include <QMessageBox>
#include <QPushButton>

namespace wendle {

RestoreCommand::RestoreCommand(const TransferContext& context, QObject* parent)
    : QObject(parent)
    , m_context(context)
{
}

void RestoreCommand::run()
{
    m_context.afterAuthentication(this, [this] {
        QFileDialog* dialog = m_context.fileDialog(QStringLiteral("Restore from backup"), QFileDialog::AcceptOpen,
                                                   QFileDialog::ExistingFile);
        dialog->setNameFilter(backupFilter());
        connect(dialog, &QFileDialog::fileSelected, this, [this](const QString& path) {
            auto* passphrase = new PassphraseDialog(PassphraseDialog::Purpose::restore, m_context.window());
            passphrase->setAttribute(Qt::WA_DeleteOnClose);
            connect(passphrase, &PassphraseDialog::passphraseEntered, this,
                    [this, path](const QString& text) { openBackupFile(path, text); });
            passphrase->open();
        });
        dialog->open();
    });
}

void RestoreCommand::openBackupFile(const QString& path, const Passphrase& passphrase)
{
    struct Opened
    {
        std::optional<BackupContents> contents;
        QString error;
    };
    runInBackground<Opened>(
        this, m_context.window(), QStringLiteral("Opening the backup…"), {},
        [path, passphrase](WorkProgress& progress) {
            QString problem;
            const std::optional<QByteArray> file = readRegularFile(path, maxBackupBytes, &problem, &progress);
            if (!file) {
                return Opened{std::nullopt, QStringLiteral("%1 could not be read: %2.").arg(path, problem)};
            }
            BackupReadResult read = decodeBackup(*file, passphrase);
            return read.contents ? Opened{std::move(read.contents), {}}
                                 : Opened{std::nullopt, backupErrorMessage(read.error)};
        },
        [this](Opened opened) {
            if (!opened.contents) {
                m_context.tell(opened.error + QStringLiteral(" Nothing was changed."));
                return;
            }
            offerRestore(std::make_shared<BackupContents>(std::move(*opened.contents)));
        });
}

void RestoreCommand::offerRestore(const std::shared_ptr<BackupContents>& contents)
{
    RestorePlan plan;
    {
        const std::shared_ptr<const EntryKey> key = m_context.currentKey();
        if (!key) {
            return;
        }
        plan = planRestore(*contents, m_context.store(), *key, Calendar::current(), QDateTime::currentDateTimeUtc());
    }
    QStringList details;
    for (const RestoreSkip& skip : plan.skipped) {
        details << QStringLiteral("Skips entry %1: %2").arg(skip.entry + 1).arg(skip.reason);
    }
    const QString present = QStringLiteral("%1 already in the journal").arg(entriesText(plan.presentEntries));
    const QString refused = plan.skipped.empty()
        ? QString()
        : QStringLiteral(", %1 skipped").arg(entriesText(qsizetype(plan.skipped.size())));
    if (plan.newEntries.empty() && plan.repairs.empty()) {
        m_context.tell(QStringLiteral("Every entry of this backup is already in the journal (%1%2). Nothing was added.")
                           .arg(entriesText(plan.presentEntries), refused),
                       details.join(u'\n'));
        return;
    }
    const QString adds = entriesText(qsizetype(plan.newEntries.size()));
    const QString repairs = entriesText(qsizetype(plan.repairs.size()));
    QMessageBox* ask = m_context.question(
        plan.repairs.empty()
            ? QStringLiteral("This backup would add %1 (%2%3).").arg(adds, present, refused)
            : QStringLiteral("This backup would add %1 and repair %2 whose text no longer opens (%3%4).")
                  .arg(adds, repairs, present, refused),
        QStringLiteral("Entries already in the journal are left exactly as they are; a repaired entry gets its text "
                       "back from the backup, and what it held is kept aside."));
    ask->setDetailedText(details.join(u'\n'));
    QPushButton* add = ask->addButton(plan.newEntries.empty() ? QStringLiteral("Repair %1").arg(repairs)
                                                              : QStringLiteral("Add %1").arg(adds),
                                      QMessageBox::AcceptRole);
    ask->addButton(QMessageBox::Cancel);
    connect(ask, &QMessageBox::buttonClicked, this, [this, add, contents](QAbstractButton* clicked) {
        if (clicked != add) {
            return;
        }
        const std::shared_ptr<const EntryKey> key = m_context.currentKey();
        if (!key) {
            return;
        }
        // Planned again: the journal may have changed while the question waited.
        const RestorePlan now
            = planRestore(*contents, m_context.store(), *key, Calendar::current(), QDateTime::currentDateTimeUtc());
        QString error;
        m_context.entriesArriving();
        if (!applyRestore(now, *contents, m_context.store(), *key, &error)) {
            m_context.tell(
                QStringLiteral("The restored entries could not be saved yet (%1). Wendle keeps trying.").arg(error));
        } else {
            QStringList lines{QStringLiteral("Restored %1.").arg(entriesText(qsizetype(now.newEntries.size())))};
            if (!now.repairs.empty()) {
                lines << QStringLiteral("%1 repaired.").arg(entriesText(qsizetype(now.repairs.size())));
            }
            m_context.tell(lines.join(u'\n'));
        }
        m_context.entriesAdded();
    });
    ask->open();
}

} // namespace wendle
