// SPDX-License-Identifier: GPL-3.0-or-later
#include "writing/TodaysEntry.h"

#include "journal/DayKey.h"
#include "journal/EntryCrypto.h"
#include "journal/EntryStore.h"
#include "journal/WordCount.h"
#include "journal/WrittenDays.h"
#include "reminders/ReminderScheduler.h"

namespace wendle::TodaysEntry {

Entry* find(const EntryStore& store, const QString& promptID, const QDateTime& now, const Calendar& calendar)
{
    if (promptID.isEmpty()) {
        return nullptr;
    }
    return store.firstEntry(journalDayKey(now, calendar), promptID);
}

qint64 wordsElsewhere(const EntryStore& store, const QString& promptID, const QDateTime& now, const Calendar& calendar)
{
    const QString today = journalDayKey(now, calendar);
    qint64 words = 0;
    for (const Entry* entry : store.entries()) {
        if (entry->dayKey() == today && entry->promptID() != promptID) {
            words += entry->creditedWords();
        }
    }
    return words;
}

bool save(EntryStore& store, ReminderScheduler& scheduler, const EntryKey& key, const Target& target,
          const QString& text, const QDateTime& now, const Calendar& calendar, std::optional<qint64> knownWords)
{
    if (text.isEmpty()) {
        return store.save();
    }
    if (target.promptID.isEmpty()) {
        return false;
    }
    QByteArray body;
    try {
        body = sealEntryText(text, key);
    } catch (const std::exception&) {
        return false; // the text stays in the editor; the next change tries again
    }
    const qint64 words = knownWords ? *knownWords : countWords(text);
    if (Entry* entry = find(store, target.promptID, now, calendar)) {
        store.replaceBody(entry, body, key);
        store.setCreditedWords(entry, words);
    } else {
        store.insert({now, journalDayKey(now, calendar), target.promptID, target.categoryRaw, body, words});
    }
    const bool saved = store.save();
    scheduler.updateCompletedDays(completedDayKeys(store.entries()));
    return saved;
}

} // namespace wendle::TodaysEntry
