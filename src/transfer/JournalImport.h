// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "transfer/EntryRecord.h"

#include <QByteArray>
#include <QDateTime>
#include <QJsonArray>
#include <QString>

#include <vector>

namespace wendle {

class Calendar;
class Entry;
class EntryKey;
class EntryStore;

/**
 * An entry an import would add (its record always has text, its credited words counted from it), with the file
 * (or files) it came from. With `addTo` set it is text new to an entry the journal already has for that day and
 * prompt, to be added after that entry's text: a day keeps one entry per prompt and one of free writing,
 * whatever an import brings.
 */
struct ImportedEntry
{
    EntryRecord record;
    QString source;
    Entry* addTo = nullptr;
    /** It holds dated files or jrnl entries, which had no prompt and became free writing. */
    bool madeFreeWriting = false;
};

/** A source an import leaves out, or says something of, and why, for the preview. */
struct ImportSkip
{
    QString source;
    QString reason;
};

/** What an import would do, shown before anything is written. */
struct ImportPlan
{
    std::vector<ImportedEntry> entries;
    /** One for every entry (or file) left out. */
    std::vector<ImportSkip> skipped;
    /** What the user should know of what is imported, such as bytes that were replaced. */
    std::vector<ImportSkip> notes;
};

/** A file of a folder import, read and decoded. */
struct ImportFile
{
    QString name;
    QString text;
    bool replacedBytes = false;
};

/** What a folder import read: its files, and what it would not read. */
struct FolderContents
{
    std::vector<ImportFile> files;
    std::vector<ImportSkip> skipped;
};

/** A JSON export, parsed: its entries, or in `problem` why it has none. */
struct JsonImportFile
{
    QString source;
    QJsonArray entries;
    QString problem;
    /** Some of its bytes were not UTF-8 and were replaced before it was parsed. */
    bool replacedBytes = false;
};

/**
 * Plans a folder import (files named `YYYY-MM-DD*.txt` or `.md`, see `readImportFolder`). A day file Wendle's
 * own Markdown export wrote brings back each of its entries with its time, category, prompt and global id (one the
 * journal holds, like the same time, day and prompt, says the entry is already there). Any other
 * file is free writing of the day its name gives: all such files of one journal day become one free-writing
 * entry ("freeform", category "pages"), dated at noon, in name order, each after a blank line. Text already in
 * the day's entry for that prompt (or its free writing) is left out; new text is added to it, never replacing
 * what is there.
 */
ImportPlan planFolderImport(const FolderContents& folder, const EntryStore& store, const EntryKey& key,
                            const Calendar& calendar, const QDateTime& now);

/** Parses a JSON export; safe on a worker thread. */
JsonImportFile parseJsonImport(const QByteArray& json, const QString& source);

/**
 * Plans a JSON import: Wendle's own export (entries keep their date, day, prompt and category) or jrnl's
 * (`entries[]` with `date`, `time`, `title`, `body`): the jrnl entries of one journal day (it starts at 03:00)
 * become one free-writing entry at the time of the earliest, each entry's title line then its body, oldest
 * first; stars and tags are dropped. Entries already present are skipped, as in `planFolderImport`. Every entry
 * passes `IncomingEntry`'s checks; what fails is skipped and named, and the rest still import. Credited words
 * are counted from the text, never taken from the file.
 */
ImportPlan planJsonImport(const JsonImportFile& file, const EntryStore& store, const EntryKey& key,
                          const Calendar& calendar, const QDateTime& now);

/**
 * Seals the plan's entries under `key` and saves them in one transaction; false with the reason otherwise.
 * Text added to a day's free writing goes after what the entry holds at that moment, and its credited words
 * follow the day rule (counted again only while the day is today).
 */
[[nodiscard]] bool applyImport(const ImportPlan& plan, EntryStore& store, const EntryKey& key, const QDateTime& now,
                               const Calendar& calendar, QString* error);

} // namespace wendle
