// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <vector>

namespace wendle {

class Calendar;
class EntryKey;
class EntryStore;

/** An entry an import would add, with the file (or files) it came from. */
struct ImportedEntry
{
    QString source;
    QDateTime date;
    QString dayKey;
    QString promptID;
    QString categoryRaw;
    QString text;
    qint64 creditedWords = 0;
};

/** Something an import leaves out, and why, for the preview. */
struct ImportSkip
{
    QString source;
    QString reason;
};

/** What an import would do, shown before anything is written. */
struct ImportPlan
{
    std::vector<ImportedEntry> entries;
    std::vector<ImportSkip> skipped;
};

/**
 * A folder of files named by date (`YYYY-MM-DD*.txt` or `.md`): each day's files become one free-writing entry
 * ("freeform", category "pages") dated at noon of that day in `calendar`, their words credited. A day that
 * already has free writing in the journal is skipped, which also makes a second import add nothing.
 */
ImportPlan planFolderImport(const QString& folder, const EntryStore& store, const Calendar& calendar);

/**
 * A JSON export: jrnl's (`entries[]` with `date`, `time`, `title`, `body`; each day's entries become one
 * free-writing entry at the time of its first, in `calendar`'s zone) or Wendle's own (entries keep their date,
 * day, prompt and credited words). Entries already present are skipped; a malformed entry is skipped and
 * named, and the rest still import.
 */
ImportPlan planJsonImport(const QByteArray& json, const QString& source, const EntryStore& store,
                          const Calendar& calendar);

/** Seals the plan's entries under `key` and saves them in one transaction; false with the reason otherwise. */
bool applyImport(const ImportPlan& plan, EntryStore& store, const EntryKey& key, QString* error);

} // namespace wendle
