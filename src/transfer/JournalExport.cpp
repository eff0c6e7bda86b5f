// SPDX-License-Identifier: GPL-3.0-or-later
#include "transfer/JournalExport.h"

#include "journal/Calendar.h"
#include "journal/DayKey.h"
#include "journal/EntryStore.h"
#include "prompts/PromptCategory.h"
#include "transfer/IsoDays.h"
#include "transfer/MarkdownDay.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <unicode/calendar.h>

#include <algorithm>

namespace wendle {

namespace {

QString categoryLabel(const QString& raw)
{
    return label(promptCategoryFromRaw(raw).value_or(PromptCategory::affirmation));
}

QString clockTime(const QDateTime& date, const Calendar& calendar)
{
    const DateComponents parts = calendar.components(date);
    return QStringLiteral("%1:%2").arg(parts.hour, 2, 10, QChar(u'0')).arg(parts.minute, 2, 10, QChar(u'0'));
}

// The date with the offset the calendar's zone had at that moment, so the file says the wall time it was written.
QString isoDate(const QDateTime& date, const Calendar& calendar)
{
    int offsetSeconds = 0;
    if (std::unique_ptr<icu::Calendar> icu = calendar.icuCalendar(date)) {
        UErrorCode status = U_ZERO_ERROR;
        const int offset = icu->get(UCAL_ZONE_OFFSET, status) + icu->get(UCAL_DST_OFFSET, status);
        offsetSeconds = U_SUCCESS(status) ? offset / 1000 : 0;
    }
    return date.toOffsetFromUtc(offsetSeconds).toString(Qt::ISODateWithMs);
}

} // namespace

std::vector<ExportedEntry> collectForExport(const EntryStore& store, const EntryKey& key,
                                            const std::vector<Prompt>& prompts)
{
    QHash<QString, QString> promptTexts;
    for (const Prompt& prompt : prompts) {
        promptTexts.insert(prompt.id, prompt.text);
    }
    std::vector<ExportedEntry> entries;
    entries.reserve(store.entries().size());
    for (const Entry* entry : store.entries()) {
        entries.push_back({EntryRecord::of(*entry, key), promptTexts.value(entry->promptID())});
    }
    std::stable_sort(entries.begin(), entries.end(),
                     [](const ExportedEntry& a, const ExportedEntry& b) { return a.record.date < b.record.date; });
    return entries;
}

QString unreadableNote()
{
    return QStringLiteral("*This entry's text could not be opened with this journal's key, so it is not in this "
                          "export. Its sealed text is still kept in the journal.*");
}

std::vector<ExportFile> markdownExport(const std::vector<ExportedEntry>& entries, const Calendar& calendar)
{
    const IsoDays isoDays(calendar);
    std::vector<ExportFile> files;
    QHash<QString, std::size_t> fileOfDay;
    for (const ExportedEntry& exported : entries) {
        const EntryRecord& entry = exported.record;
        // The name comes only from a real day, so it can never be a path; a day key that is not one (from an
        // old import) gives way to the journal day of the entry's own date.
        std::optional<QString> isoDay = isoDays.isoDateOf(entry.dayKey);
        if (!isoDay) {
            isoDay = journalDayKey(entry.date, isoDays.gregorian());
        }
        auto found = fileOfDay.constFind(*isoDay);
        if (found == fileOfDay.constEnd()) {
            found = fileOfDay.insert(*isoDay, files.size());
            files.push_back({*isoDay + QStringLiteral(".md"), (markdownDayTitle(*isoDay) + u'\n').toUtf8(), 0});
        }
        QString heading
            = QStringLiteral("%1 · %2").arg(clockTime(entry.date, calendar), categoryLabel(entry.categoryRaw));
        if (!exported.promptText.isEmpty()) {
            heading += QStringLiteral(" · ") + exported.promptText;
        }
        const MarkdownDayEntry section{
            entry.date,    entry.categoryRaw, entry.promptID, !entry.text, entry.text.value_or(unreadableNote()),
            entry.globalId};
        ExportFile& file = files[*found];
        file.contents += markdownDaySection(heading, isoDate(entry.date, calendar), section).toUtf8();
        ++file.entries;
    }
    return files;
}

ExportFile jsonExport(const std::vector<ExportedEntry>& entries, const Calendar& calendar, const QString& name)
{
    QJsonArray array;
    for (const ExportedEntry& exported : entries) {
        const EntryRecord& entry = exported.record;
        QJsonObject object = entry.jsonFields();
        object.insert(QStringLiteral("date"), isoDate(entry.date, calendar));
        object.insert(QStringLiteral("prompt"), exported.promptText);
        object.insert(QStringLiteral("text"), entry.text ? QJsonValue(*entry.text) : QJsonValue());
        if (!entry.text) {
            object.insert(QStringLiteral("unreadable"), true);
        }
        array.append(object);
    }
    return {name, QJsonDocument(QJsonObject{{QStringLiteral("entries"), array}}).toJson(QJsonDocument::Indented),
            int(entries.size())};
}

QStringList unreadableEntries(const std::vector<ExportedEntry>& entries, const Calendar& calendar)
{
    QStringList lines;
    for (const ExportedEntry& exported : entries) {
        if (const EntryRecord& entry = exported.record; !entry.text) {
            lines << QStringLiteral("%1 %2, %3")
                         .arg(entry.dayKey, clockTime(entry.date, calendar), categoryLabel(entry.categoryRaw));
        }
    }
    return lines;
}

bool makePrivateFolder(const QString& folder, QString* error)
{
    if (QDir(folder).exists()) {
        return true;
    }
    if (!QDir().mkpath(folder)
        || !QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner)) {
        //: %1 is a folder.
        *error
            = QCoreApplication::translate("wendle::JournalExport", "The folder %1 could not be created.").arg(folder);
        return false;
    }
    return true;
}

} // namespace wendle
