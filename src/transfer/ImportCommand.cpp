// SPDX-License-Identifier: GPL-3.0-or-later
#include "transfer/ImportCommand.h"

#include "journal/Calendar.h"
#include "journal/EntryStore.h"
#include "transfer/BackgroundWork.h"
#include "transfer/ImportFiles.h"
#include "transfer/JournalImport.h"
#include "ui/EnglishPluralForms.h"

#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>

namespace wendle {

ImportCommand::ImportCommand(const TransferContext& context, QObject* parent)
    : QObject(parent)
    , m_context(context)
{
}

void ImportCommand::run()
{
    m_context.afterAuthentication(this, [this] {
        QMessageBox* ask = m_context.question(tr("Import entries from…"),
                                              //: Continues "Import entries from…".
                                              tr("a folder of text or Markdown files named by date "
                                                 "(YYYY-MM-DD…), or a JSON export of jrnl or Wendle."));
        QPushButton* folder = ask->addButton(tr("Folder…"), QMessageBox::AcceptRole);
        QPushButton* json = ask->addButton(tr("JSON file…"), QMessageBox::AcceptRole);
        ask->addButton(QMessageBox::Cancel);
        connect(ask, &QMessageBox::buttonClicked, this, [this, folder, json](QAbstractButton* clicked) {
            if (clicked == folder) {
                QFileDialog* dialog
                    = m_context.fileDialog(tr("Import folder"), QFileDialog::AcceptOpen, QFileDialog::Directory);
                connect(dialog, &QFileDialog::fileSelected, this, &ImportCommand::importFolder);
                dialog->open();
            } else if (clicked == json) {
                QFileDialog* dialog = m_context.fileDialog(tr("Import JSON export"), QFileDialog::AcceptOpen,
                                                           QFileDialog::ExistingFile);
                dialog->setNameFilter(tr("JSON files") + QStringLiteral(" (*.json)"));
                connect(dialog, &QFileDialog::fileSelected, this, &ImportCommand::importJson);
                dialog->open();
            }
        });
        ask->open();
    });
}

void ImportCommand::importFolder(const QString& folder)
{
    runInBackground<FolderContents>(
        this, m_context.window(), tr("Reading the files…"), tr("Cancel"),
        [folder](WorkProgress& progress) { return readImportFolder(folder, &progress); },
        [this](const FolderContents& contents) {
            if (const std::shared_ptr<const EntryKey> key = m_context.currentKey()) {
                offerImport(planFolderImport(contents, m_context.store(), *key, Calendar::current(),
                                             QDateTime::currentDateTimeUtc()));
            }
        },
        [this] { m_context.tell(tr("The import was cancelled. Nothing was added.")); });
}

void ImportCommand::importJson(const QString& path)
{
    runInBackground<JsonImportFile>(
        this, m_context.window(), tr("Reading the file…"), tr("Cancel"),
        [path](WorkProgress& progress) {
            const QString source = QFileInfo(path).fileName();
            QString problem;
            const std::optional<QByteArray> bytes = readRegularFile(path, maxJsonImportBytes, &problem, &progress);
            return bytes ? parseJsonImport(*bytes, source) : JsonImportFile{source, {}, problem};
        },
        [this](const JsonImportFile& file) {
            if (const std::shared_ptr<const EntryKey> key = m_context.currentKey()) {
                offerImport(planJsonImport(file, m_context.store(), *key, Calendar::current(),
                                           QDateTime::currentDateTimeUtc()));
            }
        },
        [this] { m_context.tell(tr("The import was cancelled. Nothing was added.")); });
}

void ImportCommand::offerImport(const ImportPlan& plan)
{
    QStringList details;
    qsizetype freeform = 0;
    qsizetype madeFreeWriting = 0;
    qsizetype additions = 0;
    for (const ImportedEntry& entry : plan.entries) {
        freeform += entry.record.promptID == Entry::freeformPromptID ? 1 : 0;
        madeFreeWriting += entry.madeFreeWriting ? 1 : 0;
        additions += entry.addTo ? 1 : 0;
        //: %1 is a day (YYYY-MM-DD), %2 a number of words, %3 the file it comes from.
        const QString addsTo = tr("Adds to the entry of %1 (%2) from %3");
        //: %1 is a day (YYYY-MM-DD), %2 a number of words, %3 the file it comes from.
        const QString addsNew = tr("Adds %1 (%2) from %3");
        details << (entry.addTo ? addsTo : addsNew)
                       .arg(entry.record.dayKey, wordsText(entry.record.creditedWords), entry.source);
    }
    for (const ImportSkip& note : plan.notes) {
        //: %1 is a file, %2 what is worth a look.
        details << tr("Note on %1: %2").arg(note.source, note.reason);
    }
    for (const ImportSkip& skip : plan.skipped) {
        //: %1 is a file, %2 why it is skipped.
        details << tr("Skips %1: %2").arg(skip.source, skip.reason);
    }
    //: %1 is a number of entries ("2 entries").
    const QString skipped = tr("%1 skipped").arg(entriesText(qsizetype(plan.skipped.size())));
    if (plan.entries.empty()) {
        //: %1 is "2 entries skipped".
        m_context.tell(tr("Nothing to import (%1).").arg(skipped), details.join(u'\n'));
        return;
    }
    const QString adds = entriesText(qsizetype(plan.entries.size()));
    QStringList about;
    if (freeform == qsizetype(plan.entries.size())) {
        about << tr("They are free writing.");
    } else if (freeform > 0) {
        //: Of the entries an import would add.
        about << tr("%n of them are free writing, the others answers to prompts.", nullptr, pluralCount(freeform));
    }
    // Only writing that had no prompt was made free writing; a Wendle export's entries keep their own.
    if (madeFreeWriting > 0) {
        about << tr("Dated files and jrnl entries of one journal day (it starts at 03:00) become one "
                    "entry of free writing, oldest first, each a title line and its text; stars and "
                    "tags are dropped.");
    }
    if (additions > 0) {
        about << tr("Text new to an entry the journal already has is added after it; nothing there "
                    "is replaced.");
    }
    if (!plan.notes.empty()) {
        about << tr("Some files need a look: see the details.");
    }
    about << tr("Their words count towards the days they were written.");
    //: %1 is a number of entries, %2 "1 entry skipped".
    const QString question = tr("This would add %1 (%2).").arg(adds, skipped);
    QMessageBox* ask = m_context.question(question, about.join(u' '));
    ask->setDetailedText(details.join(u'\n'));
    //: A button; %1 is a number of entries.
    QPushButton* add = ask->addButton(tr("Import %1").arg(adds), QMessageBox::AcceptRole);
    ask->addButton(QMessageBox::Cancel);
    auto kept = std::make_shared<ImportPlan>(plan);
    connect(ask, &QMessageBox::buttonClicked, this, [this, add, kept, adds](QAbstractButton* clicked) {
        if (clicked != add) {
            return;
        }
        const std::shared_ptr<const EntryKey> key = m_context.currentKey();
        QString error;
        if (!key) {
            return;
        }
        m_context.entriesArriving();
        if (!applyImport(*kept, m_context.store(), *key, QDateTime::currentDateTimeUtc(), Calendar::current(),
                         &error)) {
            //: %1 is what went wrong.
            m_context.tell(tr("The imported entries could not be saved yet (%1). Wendle keeps trying.").arg(error));
        } else {
            //: %1 is a number of entries ("2 entries").
            m_context.tell(tr("Imported %1.").arg(adds));
        }
        m_context.entriesAdded();
    });
    ask->open();
}

} // namespace wendle
