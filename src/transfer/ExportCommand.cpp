// SPDX-License-Identifier: GPL-3.0-or-later
#include "transfer/ExportCommand.h"

#include "journal/Calendar.h"
#include "prompts/PromptEngine.h"
#include "transfer/ExportWriter.h"
#include "ui/EnglishPluralForms.h"
#include "ui/MessageBox.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>

namespace wendle {

ExportCommand::ExportCommand(const TransferContext& context, QObject* parent)
    : QObject(parent)
    , m_context(context)
{
}

void ExportCommand::run()
{
    m_context.afterAuthentication(this, [this] { chooseFormat(); });
}

void ExportCommand::chooseFormat()
{
    QMessageBox* sheet = m_context.question(tr("This export is not encrypted."),
                                            tr("Anyone who can open the exported files can read every "
                                               "entry in them. Keep them where only you can reach them, "
                                               "and delete them when you no longer need them."),
                                            MessageKind::warning);
    QPushButton* markdown = sheet->addButton(tr("Export as Markdown…"), QMessageBox::AcceptRole);
    QPushButton* json = sheet->addButton(tr("Export as JSON…"), QMessageBox::AcceptRole);
    sheet->addButton(QMessageBox::Cancel);
    connect(sheet, &QMessageBox::buttonClicked, this, [this, markdown, json](QAbstractButton* clicked) {
        if (clicked == markdown) {
            QFileDialog* dialog
                = m_context.fileDialog(tr("Export into folder"), QFileDialog::AcceptOpen, QFileDialog::Directory);
            dialog->setOption(QFileDialog::ShowDirsOnly);
            connect(dialog, &QFileDialog::fileSelected, this, &ExportCommand::exportMarkdown);
            dialog->open();
        } else if (clicked == json) {
            QFileDialog* dialog
                = m_context.fileDialog(tr("Export to file"), QFileDialog::AcceptSave, QFileDialog::AnyFile);
            dialog->setDefaultSuffix(QStringLiteral("json"));
            dialog->selectFile(QStringLiteral("wendle-export.json"));
            connect(dialog, &QFileDialog::fileSelected, this, &ExportCommand::exportJson);
            dialog->open();
        }
    });
    sheet->open();
}

std::optional<std::vector<ExportedEntry>> ExportCommand::entriesToExport()
{
    const std::shared_ptr<const EntryKey> key = m_context.currentKey();
    if (!key) {
        return std::nullopt;
    }
    return collectForExport(m_context.store(), *key, PromptEngine::shippedBank().prompts);
}

void ExportCommand::exportMarkdown(const QString& folder)
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
    QMessageBox* ask = m_context.question(
        //: %1 is a folder.
        tr("%n of these files already exist in %1.", nullptr, pluralCount(existing))
            .arg(QDir::toNativeSeparators(folder)),
        tr("Replace them with this export, or keep them and write only the other files?"));
    QPushButton* replace = ask->addButton(tr("Replace"), QMessageBox::DestructiveRole);
    QPushButton* keep = ask->addButton(tr("Keep existing files"), QMessageBox::AcceptRole);
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

void ExportCommand::exportJson(const QString& path)
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

void ExportCommand::writeFiles(const QString& folder, std::vector<ExportFile> files, bool replace, int kept,
                               const QStringList& unreadable)
{
    int entries = 0;
    for (const ExportFile& file : files) {
        entries += file.entries;
    }
    QString error;
    if (!makePrivateFolder(folder, &error)) {
        m_context.tell(error);
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
    auto* progress = new QProgressDialog(tr("Exporting…"), tr("Cancel"), 0, int(run->files.size()), m_context.window());
    useDialogLook(progress);
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
            m_context.tell(tr("The export was cancelled. No file was written."));
            return;
        }
        for (int batch = 0; batch < 200 && run->next < run->files.size(); ++batch, ++run->next) {
            QString failure;
            if (!writer->stage(run->files[run->next], &failure)) {
                timer->stop();
                progress->close();
                //: %1 is a sentence that says what failed.
                m_context.tell(tr("The export stopped: %1 No file was written.").arg(failure));
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
            //: %1 is a sentence that says what failed.
            m_context.tell(tr("The export stopped: %1 No file was written.").arg(failure));
            return;
        }
        const QString exported = entriesText(entries);
        const QString files = filesText(qsizetype(run->files.size()));
        const QString where = QDir::toNativeSeparators(folder);
        QString summary = kept == 0
            //: %1 is a number of entries ("3 entries"), %2 a number of files ("2 files"), %3 a folder.
            ? tr("Exported %1 into %2 in %3.").arg(exported, files, where)
            //: %1 is a number of entries ("3 entries"), %2 a number of files ("2 files"), %3 a folder.
            : tr("Exported %1 into %2 in %3; %n files were already there and were kept.", nullptr, pluralCount(kept))
                  .arg(exported, files, where);
        if (!unreadable.isEmpty()) {
            //: %1 is a number of entries ("2 entries").
            summary += tr(" %1 could not be opened with this journal's key; they are exported with a "
                          "note in place of their text, and stay in the journal.")
                           .arg(entriesText(unreadable.size()));
        }
        m_context.tell(summary, unreadable.join(u'\n'));
    });
    timer->start(0);
}

} // namespace wendle
