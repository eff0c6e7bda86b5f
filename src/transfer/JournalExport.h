// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "prompts/Prompt.h"
#include "transfer/EntryRecord.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace wendle {

class Calendar;
class EntryKey;
class EntryStore;

/** One entry as an export shows it: the record (no text when the body did not open) and its prompt's text. */
struct ExportedEntry
{
    EntryRecord record;
    QString promptText;
};

/** One file an export writes: its name inside the chosen folder, its bytes, and how many entries it holds. */
struct ExportFile
{
    QString name;
    QByteArray contents;
    int entries = 0;
};

/** Every entry, oldest first, with its text opened and its prompt's text looked up in `prompts`. */
std::vector<ExportedEntry> collectForExport(const EntryStore& store, const EntryKey& key,
                                            const std::vector<Prompt>& prompts);

/**
 * One Markdown file per journal day, named by the day's ISO date (`YYYY-MM-DD.md`, Gregorian whatever
 * `calendar` keeps): the day as the title, then each entry as a section headed by its time (in `calendar`'s
 * zone), category label and prompt, with the line an import reads it back by (see `MarkdownDay`), then its
 * text. An entry whose text did not open is there with a note saying so.
 */
std::vector<ExportFile> markdownExport(const std::vector<ExportedEntry>& entries, const Calendar& calendar);

/**
 * One JSON file `{"entries": [{date, dayKey, globalID, promptID, category, prompt, words, text}]}`, `date` in
 * ISO 8601 with the offset of `calendar`'s zone, `globalID` only for an entry that has one. An unreadable entry has
 * `text` null and `unreadable` true.
 */
ExportFile jsonExport(const std::vector<ExportedEntry>& entries, const Calendar& calendar, const QString& name);

/** The entries whose text did not open, one line each ("2024-03-10 08:15, memory"), for the summary. */
QStringList unreadableEntries(const std::vector<ExportedEntry>& entries, const Calendar& calendar);

/** The note an unreadable entry gets in place of its text. */
QString unreadableNote();

/** Creates `folder` (and missing parents) for an export, readable by the owner only. */
bool makePrivateFolder(const QString& folder, QString* error);

} // namespace wendle
