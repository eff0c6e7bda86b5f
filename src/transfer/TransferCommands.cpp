// SPDX-License-Identifier: GPL-3.0-or-later
#include "transfer/TransferCommands.h"

#include "journal/Calendar.h"
#include "journal/EntryStore.h"
#include "journal/WrittenDays.h"
#include "lock/AppLockController.h"
#include "prompts/PromptEngine.h"
#include "reminders/ReminderScheduler.h"
#include "transfer/BackgroundWork.h"
#include "transfer/ExportWriter.h"
#include "transfer/ImportFiles.h"
#include "transfer/JournalBackup.h"
#include "transfer/JournalImport.h"
#include "transfer/PassphraseDialog.h"

#include <QAction>
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

QString filesText(qsizetype count)
{
    return count == 1 ? QStringLiteral("1 file") : QStringLiteral("%1 files").arg(count);
}

QString wordsText(qint64 count)
{
    return count == 1 ? QStringLiteral("1 word") : QStringLiteral("%1 words").arg(count);
}

// A backup holds the whole journal; this is far above years of daily writing, and keeps a stray file out.
constexpr qint64 maxBackupBytes = qint64(1) << 30;

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

    std::vector<ExportFile> fresh;
    for (const ExportFile& file : files) {
        if (!QFile::exists(QDir(folder).filePath(file.name))) {
            fresh.push_back(file);
        }
    }
    const qsizetype existing = qsizetype(files.size() - fresh.size());
    if (existing == 0) {
        writeFiles(folder, std::move(files), false, 0, unreadable);
        return;
    }
    QMessageBox* ask = question(
        existing == 1 ? QStringLiteral("One of these files already exists in %1.").arg(QDir::toNativeSeparators(folder))
                      : QStringLiteral("%1 of these files already exist in %2.")
                            .arg(QString::number(existing), QDir::toNativeSeparators(folder)),
        QStringLiteral("Replace them with this export, or keep them and write only the other files?"));
    QPushButton* replace = ask->addButton(QStringLiteral("Replace"), QMessageBox::DestructiveRole);
    QPushButton* keep = ask->addButton(QStringLiteral("Keep existing files"), QMessageBox::AcceptRole);
    ask->addButton(QMessageBox::Cancel);
    ask->setDefaultButton(keep);
    auto all = std::make_shared<std::vector<ExportFile>>(std::move(files));
    auto others = std::make_shared<std::vector<ExportFile>>(std::move(fresh));
    connect(ask, &QMessageBox::buttonClicked, this, [=, this](QAbstractButton* clicked) {
        if (clicked == replace) {
            writeFiles(folder, std::move(*all), true, 0, unreadable);
        } else if (clicked == keep) {
            writeFiles(folder, std::move(*others), false, int(existing), unreadable);
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
    writeFiles(target.absolutePath(), {jsonExport(entries, calendar, target.fileName())}, true, 0,
               unreadableEntries(entries, calendar));
}

void TransferCommands::writeFiles(const QString& folder, std::vector<ExportFile> files, bool replace, int kept,
                                  const QStringList& unreadable)
{
    int entries = 0;
    for (const ExportFile& file : files) {
        entries += file.entries;
    }
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
    connect(timer, &QTimer::timeout, this, [this, run, writer, progress, timer, folder, entries, kept, unreadable] {
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
            tell(QStringLiteral("The export stopped: %1 No file was written.").arg(failure));
            return;
        }
        QString summary
            = QStringLiteral("Exported %1 into %2 in %3")
                  .arg(entriesText(entries), filesText(qsizetype(run->files.size())), QDir::toNativeSeparators(folder));
        summary += kept == 0 ? QStringLiteral(".")
            : kept == 1      ? QStringLiteral("; 1 file was already there and was kept.")
                             : QStringLiteral("; %1 files were already there and were kept.").arg(kept);
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
            [this, path](const QString& passphrase) { writeBackup(path, Passphrase(passphrase)); });
    dialog->open();
}

void TransferCommands::writeBackup(const QString& path, const Passphrase& passphrase)
{
    auto contents = std::make_shared<BackupContents>();
    {
        const std::shared_ptr<const EntryKey> key = currentKey();
        if (!key) {
            return;
        }
        *contents = snapshotJournal(m_store, *key);
    }
    // Deriving the key is deliberately slow (about a second, twice: sealing and the check that reads it back).
    runInBackground<BackupWriteResult>(
        this, m_window, QStringLiteral("Sealing the backup…"), {},
        [path, contents, passphrase](WorkProgress&) { return writeBackupFile(path, *contents, passphrase); },
        [this](const BackupWriteResult& result) {
            tell(result.error.isEmpty() ? QStringLiteral("Backed up %1").arg(entriesText(result.entries))
                                        : result.error);
        });
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
                    [this, path](const QString& text) { openBackupFile(path, text); });
            passphrase->open();
        });
        dialog->open();
    });
}

void TransferCommands::openBackupFile(const QString& path, const Passphrase& passphrase)
{
    struct Opened
    {
        std::optional<BackupContents> contents;
        QString error;
    };
    runInBackground<Opened>(
        this, m_window, QStringLiteral("Opening the backup…"), {},
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
                tell(opened.error + QStringLiteral(" Nothing was changed."));
                return;
            }
            offerRestore(std::make_shared<BackupContents>(std::move(*opened.contents)));
        });
}

void TransferCommands::offerRestore(const std::shared_ptr<BackupContents>& contents)
{
    RestorePlan plan;
    {
        const std::shared_ptr<const EntryKey> key = currentKey();
        if (!key) {
            return;
        }
        plan = planRestore(*contents, m_store, *key, Calendar::current(), QDateTime::currentDateTimeUtc());
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
        tell(QStringLiteral("Every entry of this backup is already in the journal (%1%2). Nothing was added.")
                 .arg(entriesText(plan.presentEntries), refused),
             details.join(u'\n'));
        return;
    }
    const QString adds = entriesText(qsizetype(plan.newEntries.size()));
    const QString repairs = entriesText(qsizetype(plan.repairs.size()));
    QMessageBox* ask = question(
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
        const std::shared_ptr<const EntryKey> key = currentKey();
        if (!key) {
            return;
        }
        // Planned again: the journal may have changed while the question waited.
        const RestorePlan now
            = planRestore(*contents, m_store, *key, Calendar::current(), QDateTime::currentDateTimeUtc());
        QString error;
        if (!applyRestore(now, *contents, m_store, *key, &error)) {
            tell(QStringLiteral("The restored entries could not be saved yet (%1). Wendle keeps trying.").arg(error));
        } else {
            QStringList lines{QStringLiteral("Restored %1.").arg(entriesText(qsizetype(now.newEntries.size())))};
            if (!now.repairs.empty()) {
                lines << QStringLiteral("%1 repaired.").arg(entriesText(qsizetype(now.repairs.size())));
            }
            tell(lines.join(u'\n'));
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
                connect(dialog, &QFileDialog::fileSelected, this, &TransferCommands::importFolder);
                dialog->open();
            } else if (clicked == json) {
                QFileDialog* dialog = fileDialog(m_window, QStringLiteral("Import JSON export"),
                                                 QFileDialog::AcceptOpen, QFileDialog::ExistingFile);
                dialog->setNameFilter(QStringLiteral("JSON files (*.json)"));
                connect(dialog, &QFileDialog::fileSelected, this, &TransferCommands::importJson);
                dialog->open();
            }
        });
        ask->open();
    });
}

void TransferCommands::importFolder(const QString& folder)
{
    runInBackground<FolderContents>(
        this, m_window, QStringLiteral("Reading the files…"), QStringLiteral("Cancel"),
        [folder](WorkProgress& progress) { return readImportFolder(folder, &progress); },
        [this](const FolderContents& contents) {
            if (const std::shared_ptr<const EntryKey> key = currentKey()) {
                offerImport(
                    planFolderImport(contents, m_store, *key, Calendar::current(), QDateTime::currentDateTimeUtc()));
            }
        },
        [this] { tell(QStringLiteral("The import was cancelled. Nothing was added.")); });
}

void TransferCommands::importJson(const QString& path)
{
    runInBackground<JsonImportFile>(
        this, m_window, QStringLiteral("Reading the file…"), QStringLiteral("Cancel"),
        [path](WorkProgress& progress) {
            const QString source = QFileInfo(path).fileName();
            QString problem;
            const std::optional<QByteArray> bytes = readRegularFile(path, maxJsonImportBytes, &problem, &progress);
            return bytes ? parseJsonImport(*bytes, source) : JsonImportFile{source, {}, problem};
        },
        [this](const JsonImportFile& file) {
            if (const std::shared_ptr<const EntryKey> key = currentKey()) {
                offerImport(planJsonImport(file, m_store, *key, Calendar::current(), QDateTime::currentDateTimeUtc()));
            }
        },
        [this] { tell(QStringLiteral("The import was cancelled. Nothing was added.")); });
}

void TransferCommands::offerImport(const ImportPlan& plan)
{
    QStringList details;
    qsizetype freeform = 0;
    qsizetype additions = 0;
    for (const ImportedEntry& entry : plan.entries) {
        freeform += entry.promptID == Entry::freeformPromptID ? 1 : 0;
        additions += entry.addTo ? 1 : 0;
        details << (entry.addTo ? QStringLiteral("Adds to the entry of %1 (%2) from %3")
                                : QStringLiteral("Adds %1 (%2) from %3"))
                       .arg(entry.dayKey, wordsText(entry.creditedWords), entry.source);
    }
    for (const ImportSkip& note : plan.notes) {
        details << QStringLiteral("Note on %1: %2").arg(note.source, note.reason);
    }
    for (const ImportSkip& skip : plan.skipped) {
        details << QStringLiteral("Skips %1: %2").arg(skip.source, skip.reason);
    }
    const QString skipped = QStringLiteral("%1 skipped").arg(entriesText(qsizetype(plan.skipped.size())));
    if (plan.entries.empty()) {
        tell(QStringLiteral("Nothing to import (%1).").arg(skipped), details.join(u'\n'));
        return;
    }
    const QString adds = entriesText(qsizetype(plan.entries.size()));
    QStringList about;
    if (freeform == qsizetype(plan.entries.size())) {
        about << QStringLiteral("They are free writing.");
    } else if (freeform > 0) {
        about << QStringLiteral("%1 of them free writing, the others answers to prompts.")
                     .arg(freeform == 1 ? QStringLiteral("One is") : QStringLiteral("%1 are").arg(freeform));
    }
    if (freeform > 0) {
        about << QStringLiteral("Dated files and jrnl entries of one journal day (it starts at 03:00) become one "
                                "entry of free writing, oldest first, each a title line and its text; stars and "
                                "tags are dropped.");
    }
    if (additions > 0) {
        about << QStringLiteral("Text new to an entry the journal already has is added after it; nothing there "
                                "is replaced.");
    }
    if (!plan.notes.empty()) {
        about << QStringLiteral("Some files need a look: see the details.");
    }
    about << QStringLiteral("Their words count towards the days they were written.");
    QMessageBox* ask = question(QStringLiteral("This would add %1 (%2).").arg(adds, skipped), about.join(u' '));
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
        if (!applyImport(*kept, m_store, *key, QDateTime::currentDateTimeUtc(), Calendar::current(), &error)) {
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
