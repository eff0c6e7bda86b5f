// SPDX-License-Identifier: GPL-3.0-or-later
#include "transfer/recover/RecoveryOutput.h"

#include "journal/Calendar.h"
#include "journal/DayKey.h"
#include "prompts/PromptCategory.h"
#include "transfer/ExportWriter.h"
#include "transfer/IsoDays.h"

#include <QDir>
#include <QFileInfo>

namespace wendle {

namespace {

/** "2024-03-10 08:15, memory": the ISO date of the day file the entry is in, its time and its category. */
QString unopenedLine(const EntryRecord& entry, const IsoDays& isoDays, const Calendar& calendar)
{
    const QString day = isoDays.isoDateOf(entry.dayKey).value_or(journalDayKey(entry.date, isoDays.gregorian()));
    const DateComponents time = calendar.components(entry.date);
    return QStringLiteral("%1 %2:%3, %4")
        .arg(day)
        .arg(time.hour, 2, 10, QChar(u'0'))
        .arg(time.minute, 2, 10, QChar(u'0'))
        .arg(label(promptCategoryFromRaw(entry.categoryRaw).value_or(PromptCategory::affirmation)));
}

} // namespace

QString RecoverySummary::text() const
{
    QString text
        = QStringLiteral("Entries recovered: %1\nEntries whose text did not open: %2\nVersions recovered: %3\n")
              .arg(recovered)
              .arg(unopened.size())
              .arg(versions);
    for (const QString& line : unopened) {
        text += QStringLiteral("  did not open: ") + line + u'\n';
    }
    return text;
}

RecoveryOutput::RecoveryOutput(QString folder)
    : m_folder(std::move(folder))
{
}

bool RecoveryOutput::checkEmpty(QString* error) const
{
    const QFileInfo info(m_folder);
    if (!info.exists() && !info.isSymLink()) {
        return true;
    }
    if (!info.isDir()) {
        *error = QStringLiteral("%1 is not a folder.").arg(m_folder);
        return false;
    }
    if (!QDir(m_folder).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)) {
        *error = QStringLiteral("The folder %1 is not empty: recover into an empty or new folder.").arg(m_folder);
        return false;
    }
    return true;
}

bool RecoveryOutput::write(const RecoveredEntries& recovered, const Calendar& calendar, RecoverySummary* summary,
                           QString* error) const
{
    const IsoDays isoDays(calendar);
    *summary = {0, recovered.versions, {}};
    for (const ExportedEntry& entry : recovered.entries) {
        if (entry.record.text) {
            ++summary->recovered;
        } else {
            summary->unopened << unopenedLine(entry.record, isoDays, calendar);
        }
    }
    std::vector<ExportFile> files = markdownExport(recovered.entries, calendar);
    files.push_back({summaryName, summary->text().toUtf8(), 0});

    if (!checkEmpty(error) || !makePrivateFolder(m_folder, error)) {
        return false;
    }
    ExportWriter writer(m_folder, false);
    for (const ExportFile& file : files) {
        if (!writer.stage(file, error)) {
            return false;
        }
    }
    return writer.finish(error);
}

} // namespace wendle
