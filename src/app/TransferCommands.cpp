// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/TransferCommands.h"

#include "app/AppLockController.h"
#include "app/ExportWriter.h"
#include "app/JournalBackup.h"
#include "app/JournalImport.h"
#include "app/PassphraseDialog.h"
#include "journal/Calendar.h"
#include "journal/EntryStore.h"
#include "journal/WrittenDays.h"
#include "prompts/PromptEngine.h"
#include "reminders/ReminderScheduler.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>

namespace wendle {

namespace {

const QString backupFilter = QStringLiteral("Wendle backups (*.wendlebackup)");

QString entriesText(qsizetype count)
{
    return count == 1 ? QStringLiteral("1 entry") : QStringLiteral("%1 entries").arg(count);
}

QFileDialog* fileDialog(QWidget* parent, const QString& title, QFileDialog::AcceptMode mode,
                        QFileDialog::FileMode fileMode)
{
    auto* dialog = new QFileDialog(parent, title, QDir::homePath());
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::WindowModal);
    dialog->setAcceptMode(mode);
    dialog->setFileMode(fileMode);
    return dialog;
}

} // namespace

TransferCommands::TransferCommands(AppLockController& lock, EntryStore& store, ReminderScheduler& scheduler,
                                   QWidget* window)
    : QObject(window)
    , m_lock(lock)
    , m_store(store)
    , m_scheduler(scheduler)
    , m_window(window)
{
}

void TransferCommands::addTo(QMenu* menu)
{
    const QList<QAction*> actions{
        menu->addAction(QStringLiteral("Export…"), this, &TransferCommands::exportEntries),
        menu->addAction(QStringLiteral("Back up…"), this, &TransferCommands::backUp),
        menu->addAction(QStringLiteral("Restore from backup…"), this, &TransferCommands::restoreFromBackup),
        menu->addAction(QStringLiteral("Import…"), this, &TransferCommands::importEntries),
    };
    auto follow = [this, actions] {
        for (QAction* action : actions) {
            action->setEnabled(m_lock.isUnlocked());
        }
    };
    follow();
    connect(&m_lock, &AppLockController::keyChanged, this, follow);
}

void TransferCommands::afterAuthentication(std::function<void()> then)
{
    if (!m_lock.isUnlocked()) {
        return;
    }
    QPointer<TransferCommands> self(this);
    m_lock.reauthenticate([self, then = std::move(then)](bool authenticated) {
        if (self && authenticated && self->m_lock.isUnlocked()) {
            then();
        }
    });
}

std::shared_ptr<const EntryKey> TransferCommands::currentKey()
{
    std::shared_ptr<const EntryKey> key = m_lock.key();
    if (!key) {
        tell(QStringLiteral("Wendle locked before this could start. Nothing was done."));
    }
    return key;
}

void TransferCommands::exportEntries()
{
    afterAuthentication([this] { chooseExportFormat(); });
}

void TransferCommands::chooseExportFormat()
{
    QMessageBox* sheet = question(QStringLiteral("This export is not encrypted."),
                                  QStringLiteral("Anyone who can open the exported files can read every entry in "
                                                 "them. Keep them where only you can reach them, and delete them "
                                                 "when you no longer need them."));
    sheet->setIcon(QMessageBox::Warning);
    QPushButton* markdown = sheet->addButton(QStringLiteral("Export as Markdown…"), QMessageBox::AcceptRole);
    QPushButton* json = sheet->addButton(QStringLiteral("Export as JSON…"), QMessageBox::AcceptRole);
    sheet->addButton(QMessageBox::Cancel);
    connect(sheet, &QMessageBox::buttonClicked, this, [this, markdown, json](QAbstractButton* clicked) {
        if (clicked == markdown) {
            QFileDialog* dialog = fileDialog(m_window, QStringLiteral("Export into folder"), QFileDialog::AcceptOpen,
                                             QFileDialog::Directory);
            dialog->setOption(QFileDialog::ShowDirsOnly);
            connect(dialog, &QFileDialog::fileSelected, this, &TransferCommands::exportMarkdown);
            dialog->open();
        } else if (clicked == json) {
            QFileDialog* dialog
                = fileDialog(m_window, QStringLiteral("Export to file"), QFileDialog::AcceptSave, QFileDialog::AnyFile);
            dialog->setDefaultSuffix(QStringLiteral("json"));
            dialog->selectFile(QStringLiteral("wendle-export.json"));
            connect(dialog, &QFileDialog::fileSelected, this, &TransferCommands::exportJson);
            dialog->open();
        }
    });
    sheet->open();
}

std::optional<std::vector<ExportedEntry>> TransferCommands::entriesToExport()
{
    const std::shared_ptr<const EntryKey> key = currentKey();
    if (!key) {
        return std::nullopt;
    }
    return collectForExport(m_store, *key, PromptEngine::loadBank(PromptEngine::shippedBankPath()).prompts);
}

void TransferCommands::exportMarkdown(const QString& folder)
{
    const std::optional<std::vector<ExportedEntry>> opened = entriesToExport();
    if (!opened) {
        return;
    }
    const std::vector<ExportedEntry>& entries = *opened;
    const Calendar calendar = Calendar::current();
    std::vector<ExportFile> files = markdownExport(entries, calendar);
    const QStringList unreadable = unreadableEntries(entries, calendar);
    const int entryCount = int(entries.size());

    std::vector<ExportFile> fresh;
    for (const ExportFile& file : files) {
        if (!QFile::exists(QDir(folder).filePath(file.name))) {
            fresh.push_back(file);
        }
    }
    const qsizetype existing = qsizetype(files.size() - fresh.size());
    if (existing == 0) {
        writeFiles(folder, std::move(files), false, entryCount, unreadable);
        return;
    }
    QMessageBox* ask = question(
        QStringLiteral("%1 of these files already exist in %2.")
            .arg(existing == 1 ? QStringLiteral("One") : QString::number(existing), QDir::toNativeSeparators(folder)),
        QStringLiteral("Replace them with this export, or keep them and write only the other files?"));
    QPushButton* replace = ask->addButton(QStringLiteral("Replace"), QMessageBox::DestructiveRole);
    QPushButton* keep = ask->addButton(QStringLiteral("Keep existing files"), QMessageBox::AcceptRole);
    ask->addButton(QMessageBox::Cancel);
    ask->setDefaultButton(keep);
    auto all = std::make_shared<std::vector<ExportFile>>(std::move(files));
    auto others = std::make_shared<std::vector<ExportFile>>(std::move(fresh));
    connect(ask, &QMessageBox::buttonClicked, this, [=, this](QAbstractButton* clicked) {
        if (clicked == replace) {
            writeFiles(folder, std::move(*all), true, entryCount, unreadable);
        } else if (clicked == keep) {
            writeFiles(folder, std::move(*others), false, entryCount, unreadable);
        }
    });
    ask->open();
}

void TransferCommands::exportJson(const QString& path)
{
    const std::optional<std::vector<ExportedEntry>> opened = entriesToExport();
    if (!opened) {
        return;
    }
    const std::vector<ExportedEntry>& entries = *opened;
    const Calendar calendar = Calendar::current();
    const QFileInfo target(path);
    // The save dialog has already asked before an existing file is replaced.
    writeFiles(target.absolutePath(), {jsonExport(entries, calendar, target.fileName())}, true, int(entries.size()),
               unreadableEntries(entries, calendar));
}

void TransferCommands::writeFiles(const QString& folder, std::vector<ExportFile> files, bool replace, int entries,
                                  const QStringList& unreadable)
{
    QString error;
    if (!makePrivateFolder(folder, &error)) {
        tell(error);
        return;
    }
    struct Run
    {
        std::vector<ExportFile> files;
        std::size_t next = 0;
    };
    auto run = std::make_shared<Run>(Run{std::move(files), 0});
    // Goes with the last copy of the handler below: whatever it staged and did not finish is removed then.
    auto writer = std::make_shared<ExportWriter>(folder, replace);
    auto* progress = new QProgressDialog(QStringLiteral("Exporting…"), QStringLiteral("Cancel"), 0,
                                         int(run->files.size()), m_window);
    progress->setWindowModality(Qt::WindowModal);
    progress->setAttribute(Qt::WA_DeleteOnClose);
    progress->setMinimumDuration(500);

    // One batch of files per turn of the event loop keeps the window responsive. Files get their names only
    // once all are written, so a cancelled or failed export leaves the folder as it was. The timer goes with
    // the dialog.
    auto* timer = new QTimer(progress);
    connect(timer, &QTimer::timeout, this, [this, run, writer, progress, timer, folder, entries, unreadable] {
        if (progress->wasCanceled()) {
            timer->stop();
            progress->close();
            tell(QStringLiteral("The export was cancelled. No file was written."));
            return;
        }
        for (int batch = 0; batch < 200 && run->next < run->files.size(); ++batch, ++run->next) {
            QString failure;
            if (!writer->stage(run->files[run->next], &failure)) {
                timer->stop();
                progress->close();
                tell(QStringLiteral("The export stopped: %1 No file was written.").arg(failure));
                return;
            }
        }
        progress->setValue(int(run->next));
        if (run->next < run->files.size()) {
            return;
        }
        timer->stop();
        progress->close();
        if (QString failure; !writer->finish(&failure)) {
            tell(QStringLiteral("The export stopped: %1").arg(failure));
            return;
        }
        QString summary = QStringLiteral("Exported %1 into %2 in %3.")
                              .arg(entriesText(entries),
                                   run->files.size() == 1 ? QStringLiteral("1 file")
                                                          : QStringLiteral("%1 files").arg(run->files.size()),
                                   QDir::toNativeSeparators(folder));
        if (!unreadable.isEmpty()) {
            summary += QStringLiteral(" %1 could not be opened with this journal's key; they are exported with a "
                                      "note in place of their text, and stay in the journal.")
                           .arg(entriesText(unreadable.size()));
        }
        tell(summary, unreadable.join(u'\n'));
    });
    timer->start(0);
}

void TransferCommands::backUp()
{
    afterAuthentication([this] {
        QFileDialog* dialog
            = fileDialog(m_window, QStringLiteral("Back up"), QFileDialog::AcceptSave, QFileDialog::AnyFile);
        dialog->setNameFilter(backupFilter);
        dialog->setDefaultSuffix(QStringLiteral("wendlebackup"));
        dialog->selectFile(backupFileName(QDateTime::currentDateTimeUtc(), Calendar::current()));
        connect(dialog, &QFileDialog::fileSelected, this, &TransferCommands::askBackupPassphrase);
        dialog->open();
    });
}

void TransferCommands::askBackupPassphrase(const QString& path)
{
    auto* dialog = new PassphraseDialog(PassphraseDialog::Purpose::newBackup, m_window);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &PassphraseDialog::passphraseEntered, this,
            [this, path](const QString& passphrase) { writeBackup(path, passphrase); });
    dialog->open();
}

void TransferCommands::writeBackup(const QString& path, const QString& passphrase)
{
    BackupContents contents;
    {
        const std::shared_ptr<const EntryKey> key = currentKey();
        if (!key) {
            return;
        }
        contents = snapshotJournal(m_store, *key);
    }
    // Deriving the key is deliberately slow (about a second, twice: sealing and the check that reads it back).
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const BackupWriteResult result = writeBackupFile(path, contents, passphrase);
    QApplication::restoreOverrideCursor();
    tell(result.error.isEmpty() ? QStringLiteral("Backed up %1").arg(entriesText(result.entries)) : result.error);
}

void TransferCommands::restoreFromBackup()
{
    afterAuthentication([this] {
        QFileDialog* dialog = fileDialog(m_window, QStringLiteral("Restore from backup"), QFileDialog::AcceptOpen,
                                         QFileDialog::ExistingFile);
        dialog->setNameFilter(backupFilter);
        connect(dialog, &QFileDialog::fileSelected, this, [this](const QString& path) {
            auto* passphrase = new PassphraseDialog(PassphraseDialog::Purpose::restore, m_window);
            passphrase->setAttribute(Qt::WA_DeleteOnClose);
            connect(passphrase, &PassphraseDialog::passphraseEntered, this,
                    [this, path](const QString& text) { offerRestore(path, text); });
            passphrase->open();
        });
        dialog->open();
    });
}

void TransferCommands::offerRestore(const QString& path, const QString& passphrase)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        tell(QStringLiteral("%1 could not be read: %2.").arg(path, file.errorString()));
        return;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    BackupReadResult read = decodeBackup(file.readAll(), passphrase);
    QApplication::restoreOverrideCursor();
    if (!read.contents) {
        tell(backupErrorMessage(read.error) + QStringLiteral(" Nothing was changed."));
        return;
    }
    auto contents = std::make_shared<BackupContents>(std::move(*read.contents));
    const RestorePlan plan = planRestore(*contents, m_store);
    const QString present = QStringLiteral("%1 already in the journal").arg(entriesText(plan.presentEntries));
    if (plan.newEntries.empty()) {
        tell(QStringLiteral("Every entry of this backup is already in the journal (%1). Nothing was added.")
                 .arg(entriesText(plan.presentEntries)));
        return;
    }
    QMessageBox* ask = question(
        QStringLiteral("This backup would add %1 (%2).").arg(entriesText(qsizetype(plan.newEntries.size())), present),
        QStringLiteral("Entries already in the journal are left exactly as they are."));
    QPushButton* add = ask->addButton(QStringLiteral("Add %1").arg(entriesText(qsizetype(plan.newEntries.size()))),
                                      QMessageBox::AcceptRole);
    ask->addButton(QMessageBox::Cancel);
    connect(ask, &QMessageBox::buttonClicked, this, [this, add, contents, plan](QAbstractButton* clicked) {
        if (clicked != add) {
            return;
        }
        const std::shared_ptr<const EntryKey> key = currentKey();
        QString error;
        if (!key) {
            return;
        }
        if (!applyRestore(plan, *contents, m_store, *key, &error)) {
            tell(QStringLiteral("The restored entries could not be saved yet (%1). Wendle keeps trying.").arg(error));
        } else {
            tell(QStringLiteral("Restored %1.").arg(entriesText(qsizetype(plan.newEntries.size()))));
        }
        entriesAdded();
    });
    ask->open();
}

void TransferCommands::importEntries()
{
    afterAuthentication([this] {
        QMessageBox* ask = question(QStringLiteral("Import entries from…"),
                                    QStringLiteral("a folder of text or Markdown files named by date "
                                                   "(YYYY-MM-DD…), or a JSON export of jrnl or Wendle."));
        QPushButton* folder = ask->addButton(QStringLiteral("Folder…"), QMessageBox::AcceptRole);
        QPushButton* json = ask->addButton(QStringLiteral("JSON file…"), QMessageBox::AcceptRole);
        ask->addButton(QMessageBox::Cancel);
        connect(ask, &QMessageBox::buttonClicked, this, [this, folder, json](QAbstractButton* clicked) {
            if (clicked == folder) {
                QFileDialog* dialog = fileDialog(m_window, QStringLiteral("Import folder"), QFileDialog::AcceptOpen,
                                                 QFileDialog::Directory);
                connect(dialog, &QFileDialog::fileSelected, this, [this](const QString& path) {
                    offerImport(planFolderImport(path, m_store, Calendar::current()));
                });
                dialog->open();
            } else if (clicked == json) {
                QFileDialog* dialog = fileDialog(m_window, QStringLiteral("Import JSON export"),
                                                 QFileDialog::AcceptOpen, QFileDialog::ExistingFile);
                dialog->setNameFilter(QStringLiteral("JSON files (*.json)"));
                connect(dialog, &QFileDialog::fileSelected, this, [this](const QString& path) {
                    QFile file(path);
                    if (!file.open(QIODevice::ReadOnly)) {
                        tell(QStringLiteral("%1 could not be read: %2.").arg(path, file.errorString()));
                        return;
                    }
                    offerImport(
                        planJsonImport(file.readAll(), QFileInfo(path).fileName(), m_store, Calendar::current()));
                });
                dialog->open();
            }
        });
        ask->open();
    });
}

void TransferCommands::offerImport(const ImportPlan& plan)
{
    QStringList details;
    for (const ImportedEntry& entry : plan.entries) {
        details << QStringLiteral("Adds %1 (%2 words) from %3")
                       .arg(entry.dayKey)
                       .arg(entry.creditedWords)
                       .arg(entry.source);
    }
    for (const ImportSkip& skip : plan.skipped) {
        details << QStringLiteral("Skips %1: %2").arg(skip.source, skip.reason);
    }
    const QString skipped = QStringLiteral("%1 skipped").arg(plan.skipped.size());
    if (plan.entries.empty()) {
        tell(QStringLiteral("Nothing to import (%1).").arg(skipped), details.join(u'\n'));
        return;
    }
    const QString adds = entriesText(qsizetype(plan.entries.size()));
    QMessageBox* ask = question(QStringLiteral("This would add %1 (%2).").arg(adds, skipped),
                                QStringLiteral("Imported entries are free writing, and their words count "
                                               "towards the days they were written."));
    ask->setDetailedText(details.join(u'\n'));
    QPushButton* add = ask->addButton(QStringLiteral("Import %1").arg(adds), QMessageBox::AcceptRole);
    ask->addButton(QMessageBox::Cancel);
    auto kept = std::make_shared<ImportPlan>(plan);
    connect(ask, &QMessageBox::buttonClicked, this, [this, add, kept, adds](QAbstractButton* clicked) {
        if (clicked != add) {
            return;
        }
        const std::shared_ptr<const EntryKey> key = currentKey();
        QString error;
        if (!key) {
            return;
        }
        if (!applyImport(*kept, m_store, *key, &error)) {
            tell(QStringLiteral("The imported entries could not be saved yet (%1). Wendle keeps trying.").arg(error));
        } else {
            tell(QStringLiteral("Imported %1.").arg(adds));
        }
        entriesAdded();
    });
    ask->open();
}

void TransferCommands::entriesAdded()
{
    m_scheduler.updateCompletedDays(completedDayKeys(m_store.entries()));
}

QMessageBox* TransferCommands::question(const QString& text, const QString& informative)
{
    auto* box = new QMessageBox(QMessageBox::Question, QStringLiteral("Wendle"), text, QMessageBox::NoButton, m_window);
    box->setInformativeText(informative);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    return box;
}

void TransferCommands::tell(const QString& text, const QString& details)
{
    auto* box = new QMessageBox(QMessageBox::Information, QStringLiteral("Wendle"), text, QMessageBox::Ok, m_window);
    box->setDetailedText(details);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    box->open();
}

} // namespace wendle
