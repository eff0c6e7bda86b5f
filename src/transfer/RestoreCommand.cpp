// SPDX-License-Identifier: GPL-3.0-or-later
#include "transfer/RestoreCommand.h"

#include "journal/Calendar.h"
#include "journal/Preferences.h"
#include "journal/SnapshotFolder.h"
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
        QFileDialog* dialog
            = m_context.fileDialog(tr("Restore from backup"), QFileDialog::AcceptOpen, QFileDialog::ExistingFile);
        dialog->setNameFilter(backupFilter());
        connect(dialog, &QFileDialog::fileSelected, this, [this](const QString& path) {
            auto* passphrase = new PassphraseDialog(PassphraseDialog::Purpose::restore, m_context.window());
            passphrase->setAttribute(Qt::WA_DeleteOnClose);
            connect(passphrase, &PassphraseDialog::passphraseEntered, this, [this, path](const QString& text) {
                //: Put into sentences such as "This backup would add 3 entries".
                openFile(path, tr("backup"), [passphrase = Passphrase(text)](const QByteArray& file) {
                    return decodeBackup(file, passphrase);
                });
            });
            passphrase->open();
        });
        dialog->open();
    });
}

void RestoreCommand::runFromSnapshot()
{
    m_context.afterAuthentication(this, [this] {
        QFileDialog* dialog
            = m_context.fileDialog(tr("Restore from snapshot"), QFileDialog::AcceptOpen, QFileDialog::ExistingFile);
        dialog->setDirectory(SnapshotFolder::path(Preferences()));
        dialog->setNameFilter(SnapshotFolder::filter());
        connect(dialog, &QFileDialog::fileSelected, this, [this](const QString& path) {
            const std::shared_ptr<const EntryKey> key = m_context.currentKey();
            if (!key) {
                return;
            }
            // The worker keeps the key only while it opens the file.
            //: Put into sentences such as "This snapshot would add 3 entries".
            openFile(path, tr("snapshot"), [key](const QByteArray& file) { return decodeSnapshot(file, *key); });
        });
        dialog->open();
    });
}

struct RestoreCommand::Opened
{
    std::optional<BackupContents> contents;
    QString error;
};

void RestoreCommand::openFile(const QString& path, const QString& noun,
                              std::function<BackupReadResult(const QByteArray&)> open)
{
    runInBackground<Opened>(
        //: %1 is "backup" or "snapshot".
        this, m_context.window(), tr("Opening the %1…").arg(noun), {},
        [path, open = std::move(open)](WorkProgress& progress) {
            QString problem;
            const std::optional<QByteArray> file = readRegularFile(path, maxBackupBytes, &problem, &progress);
            if (!file) {
                //: %1 is a file, %2 why it could not be read.
                return Opened{std::nullopt, tr("%1 could not be read: %2.").arg(path, problem)};
            }
            BackupReadResult read = open(*file);
            return read.contents ? Opened{std::move(read.contents), {}}
                                 : Opened{std::nullopt, backupErrorMessage(read.error)};
        },
        [this, noun](Opened opened) {
            if (!opened.contents) {
                //: Follows a message that says why the file could not be opened.
                m_context.tell(opened.error + tr(" Nothing was changed."));
                return;
            }
            offerRestore(std::make_shared<BackupContents>(std::move(*opened.contents)), noun);
        });
}

void RestoreCommand::offerRestore(const std::shared_ptr<BackupContents>& contents, const QString& noun)
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
        //: %1 is the entry's number in the file, %2 why it is skipped.
        details << tr("Skips entry %1: %2").arg(skip.entry + 1).arg(skip.reason);
    }
    //: %1 is a number of entries ("2 entries"); goes inside the parentheses of the question.
    const QString present = tr("%1 already in the journal").arg(entriesText(plan.presentEntries));
    const QString refused = plan.skipped.empty()
        ? QString()
        //: %1 is a number of entries; follows "2 entries already in the journal".
        : tr(", %1 skipped").arg(entriesText(qsizetype(plan.skipped.size())));
    if (plan.addsNothing()) {
        //: %1 is "backup" or "snapshot"; %2 a number of entries, %3 ", 1 entry skipped" or nothing.
        m_context.tell(tr("Every entry of this %1 is already in the journal (%2%3). Nothing was added.")
                           .arg(noun, entriesText(plan.presentEntries), refused),
                       details.join(u'\n'));
        return;
    }
    const int versions = plan.addedVersions(*contents);
    //: Ends the question; %1 is a number of earlier versions ("2 earlier versions").
    const QString bringsBack = tr(" It also brings back %1.");
    const QString versionsNote = versions == 0 ? QString() : bringsBack.arg(versionsText(versions));
    const QString adds = entriesText(qsizetype(plan.newEntries.size()));
    const QString repairs = entriesText(qsizetype(plan.repairs.size()));
    //: %1 is "backup" or "snapshot", %2 a number of entries, %3%4 "2 entries already in the journal, 1 entry skipped".
    const QString addOnly = tr("This %1 would add %2 (%3%4).");
    //: %1 is "backup" or "snapshot", %2 and %3 numbers of entries, %4%5 "2 entries already in the journal, 1 entry
    //: skipped".
    const QString addAndRepair = tr("This %1 would add %2 and repair %3 whose text no longer opens (%4%5).");
    QMessageBox* ask = m_context.question(
        (plan.repairs.empty() ? addOnly.arg(noun, adds, present, refused)
                              : addAndRepair.arg(noun, adds, repairs, present, refused))
            + versionsNote,
        //: %1 is "backup" or "snapshot".
        tr("Entries already in the journal are left exactly as they are; a repaired entry gets its text "
           "back from the %1, and what it held is kept aside.")
            .arg(noun));
    ask->setDetailedText(details.join(u'\n'));
    //: A button; %1 is a number of entries or of earlier versions.
    const QString addButton = tr("Add %1");
    //: A button; %1 is a number of entries.
    const QString repairButton = tr("Repair %1");
    const QString action = !plan.newEntries.empty() ? addButton.arg(adds)
        : !plan.repairs.empty()                     ? repairButton.arg(repairs)
                                                    : addButton.arg(versionsText(versions));
    QPushButton* add = ask->addButton(action, QMessageBox::AcceptRole);
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
            //: %1 is what went wrong.
            m_context.tell(tr("The restored entries could not be saved yet (%1). Wendle keeps trying.").arg(error));
        } else {
            //: %1 is a number of entries ("2 entries").
            QStringList lines{tr("Restored %1.").arg(entriesText(qsizetype(now.newEntries.size())))};
            if (!now.repairs.empty()) {
                //: %1 is a number of entries ("2 entries").
                lines << tr("%1 repaired.").arg(entriesText(qsizetype(now.repairs.size())));
            }
            if (const int added = now.addedVersions(*contents); added > 0) {
                //: %1 is a number of earlier versions ("2 earlier versions").
                lines << tr("%1 brought back.").arg(versionsText(added));
            }
            m_context.tell(lines.join(u'\n'));
        }
        m_context.entriesAdded();
    });
    ask->open();
}

} // namespace wendle
