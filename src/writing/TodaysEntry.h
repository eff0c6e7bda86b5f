// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "journal/Calendar.h"
#include "journal/Entry.h"

#include <QDateTime>
#include <QString>

#include <optional>

namespace wendle {

class EntryKey;
class EntryStore;
class ReminderScheduler;

/**
 * The writing of today shared by every writing surface: which entry a surface writes to, what the rest of
 * the day holds, and saving. "Today" is the journal day of `now`, worked out afresh at every call.
 */
namespace TodaysEntry {

/** What a surface writes to: a prompt's id and category, or "freeform" and "pages". Empty id: nothing. */
struct Target
{
    QString promptID;
    QString categoryRaw;
};

/** The first entry, in store order, of today and `promptID`; none for an empty id. */
Entry* find(const EntryStore& store, const QString& promptID, const QDateTime& now, const Calendar& calendar);

/** The credited words of today's entries other than those of `promptID`. */
qint64 wordsElsewhere(const EntryStore& store, const QString& promptID, const QDateTime& now, const Calendar& calendar);

/**
 * Stores `text` as today's entry for `target`: updates it (sealed body and word count) or inserts it, saves
 * the store, and tells the scheduler the written days. Empty text, an empty target or a failed seal write
 * nothing. `words`, when given, is the text's word count, already known to the caller. Returns whether the text
 * is in the file now (for empty text: whether nothing is left pending).
 */
bool save(EntryStore& store, ReminderScheduler& scheduler, const EntryKey& key, const Target& target,
          const QString& text, const QDateTime& now, const Calendar& calendar,
          std::optional<qint64> words = std::nullopt);

} // namespace TodaysEntry

} // namespace wendle
