// SPDX-License-Identifier: GPL-3.0-or-later
#include "transfer/JournalBackup.h"

#include "journal/Calendar.h"
#include "journal/DayKey.h"
#include "journal/EntryCrypto.h"
#include "journal/EntryStore.h"
#include "journal/WordCount.h"
#include "transfer/ExportWriter.h"
#include "transfer/ImportFiles.h"
#include "transfer/IncomingEntry.h"
#include "transfer/JournalExport.h"
#include "transfer/PresentEntries.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QHash>
#include <QSet>

#include <algorithm>

namespace wendle {

namespace {

std::optional<QString> refusalOf(const BackupRecord& backedUp, const IncomingEntry& checks)
{
    if (std::optional<QString> fields = checks.refusal(backedUp.record)) {
        return fields;
    }
    if (!backedUp.record.text && backedUp.sealedBody.isEmpty()) {
        //: Why an entry of a backup is skipped (follows "Skips entry 3: ").
        return QCoreApplication::translate("wendle::JournalBackup", "it holds no text");
    }
    return std::nullopt;
}

// A backup carries the journal's own history, where a past day's credit may differ from its text (edits of the
// past keep it), so a plausible credit is kept; anything else is counted from the text.
constexpr qint64 maxPlausibleWords = 100'000'000;

qint64 creditedWordsOf(const EntryRecord& record)
{
    if (record.creditedWords >= 0 && record.creditedWords <= maxPlausibleWords) {
        return record.creditedWords;
    }
    return record.text ? countWords(*record.text) : 0;
}

} // namespace

BackupContents sealedJournal(const EntryStore& store, bool withVersions)
{
    BackupContents contents;
    contents.entries.reserve(store.entries().size());
    QHash<const Entry*, int> indexOf;
    for (const Entry* entry : store.entries()) {
        const EntryRecord fields{entry->date(),          entry->dayKey(), entry->promptID(), entry->categoryRaw(),
                                 entry->creditedWords(), std::nullopt,    entry->globalId()};
        indexOf.insert(entry, int(contents.entries.size()));
        contents.entries.push_back({fields, entry->cipherBody()});
        if (withVersions) {
            for (const EntryStore::Version& version : store.versions(*entry)) {
                // A version the file cannot give now is left out rather than carried empty.
                if (std::optional<QByteArray> body = store.versionBody(version.id)) {
                    contents.versions.push_back({int(contents.entries.size()) - 1, std::nullopt, std::move(*body),
                                                 version.savedAt, version.wordCount});
                }
            }
        }
    }
    // By entry, not by row id: entries not saved yet (while saves fail) all have row id 0.
    for (const EntryStore::DisplacedBody& body : store.displacedBodies()) {
        const auto index = indexOf.constFind(body.entry);
        if (index != indexOf.constEnd()) {
            contents.displaced.push_back({*index, body.cipherBody, body.displacedAt});
        }
    }
    return contents;
}

void openTexts(BackupContents& contents, const EntryKey& key)
{
    const auto open = [&key](QByteArray& sealed, std::optional<QString>& text) {
        try {
            text = openEntryText(sealed, key);
            sealed.clear();
        } catch (const std::exception&) {
            // Carried sealed: it opens again if the key it was sealed with comes back.
        }
    };
    for (BackupRecord& backedUp : contents.entries) {
        open(backedUp.sealedBody, backedUp.record.text);
    }
    for (BackupVersion& version : contents.versions) {
        open(version.sealedBody, version.text);
    }
}

BackupContents snapshotJournal(const EntryStore& store, const EntryKey& key, bool withVersions)
{
    BackupContents contents = sealedJournal(store, withVersions);
    openTexts(contents, key);
    return contents;
}

QString backupFileName(const QDateTime& now, const Calendar& calendar)
{
    return QStringLiteral("wendle-backup-%1.wendlebackup").arg(calendarDayKey(now, calendar));
}

QString backupFilter()
{
    return QCoreApplication::translate("wendle::JournalBackup", "Wendle backups") + QStringLiteral(" (*.wendlebackup)");
}

BackupWriteResult writeSealedFile(const QString& path, const QByteArray& sealed, const BackupCounts& expected,
                                  const std::function<std::optional<BackupCounts>(QByteArray)>& count,
                                  const std::function<bool()>& cancelled)
{
    // Private from its first byte, synced, then named; the caller has made sure the name may be replaced.
    const QFileInfo target(path);
    ExportWriter writer(target.absolutePath(), true);
    if (QString why; !writer.stage({target.fileName(), sealed, int(expected.entries)}, &why)) {
        return {0, why, false};
    }
    // The writer removes the staged file when it goes unfinished.
    if (cancelled && cancelled()) {
        return {0, {}, false, true};
    }
    if (QString why; !writer.finish(&why)) {
        return {0, why, false};
    }
    QString problem;
    std::optional<QByteArray> written = readRegularFile(path, qint64(sealed.size()), &problem);
    if (!written) {
        return {
            0,
            //: %1 is a file, %2 why it could not be read.
            QCoreApplication::translate("wendle::JournalBackup", "%1 could not be read back: %2.").arg(path, problem),
            true};
    }
    if (count(std::move(*written)) != expected) {
        //: %1 is a file.
        return {0,
                QCoreApplication::translate("wendle::JournalBackup",
                                            "The file %1 did not read back as written; do not rely on it.")
                    .arg(path),
                true};
    }
    return {int(expected.entries), {}, true};
}

BackupWriteResult writeBackupFile(const QString& path, const BackupContents& contents, const Passphrase& passphrase,
                                  const ScryptParameters& parameters)
{
    const QByteArray sealed = encodeBackup(contents, passphrase, parameters);
    if (sealed.isEmpty()) {
        return {0,
                QCoreApplication::translate("wendle::JournalBackup",
                                            "The backup could not be sealed: the system's cryptography failed."),
                false};
    }
    return writeSealedFile(path, sealed, contents.counts(), [&passphrase](const QByteArray& file) {
        const BackupReadResult read = decodeBackup(file, passphrase);
        return read.contents ? std::optional(read.contents->counts()) : std::nullopt;
    });
}

int RestorePlan::addedVersions(const BackupContents& contents) const
{
    int count = int(newVersions.size());
    for (const BackupVersion& version : contents.versions) {
        count += int(std::find(newEntries.begin(), newEntries.end(), version.entryIndex) != newEntries.end());
    }
    return count;
}

RestorePlan planRestore(const BackupContents& contents, const EntryStore& store, const EntryKey& key,
                        const Calendar& calendar, const QDateTime& now)
{
    const IncomingEntry checks(calendar, now);
    QSet<Entry*> unreadable;
    QHash<QString, Entry*> byIdentity;
    for (Entry* entry : store.entries()) {
        byIdentity.insert(PresentEntries::identity(*entry), entry);
        if (!opensUnder(entry->cipherBody(), key)) {
            unreadable.insert(entry);
        }
    }
    // The journal's entry a backed-up one is: the one with its global id, or else the one with its fields.
    const auto presentEntry = [&](const EntryRecord& record) {
        Entry* const named = store.entryWithGlobalId(record.globalId);
        return named ? named : byIdentity.value(PresentEntries::identity(record));
    };
    RestorePlan plan;
    for (int i = 0; i < int(contents.entries.size()); ++i) {
        const BackupRecord& backedUp = contents.entries[std::size_t(i)];
        Entry* const present = presentEntry(backedUp.record);
        if (std::optional<QString> refusal = refusalOf(backedUp, checks)) {
            plan.skipped.push_back({i, *refusal});
        } else if (!present) {
            plan.newEntries.push_back(i);
        } else if (backedUp.record.text && unreadable.remove(present)) {
            plan.repairs.emplace_back(i, present);
        } else {
            ++plan.presentEntries;
        }
    }
    // A present entry's versions are told apart by the moment each was saved: the store keeps it to the millisecond.
    QHash<Entry*, QSet<qint64>> savedAt;
    for (int i = 0; i < int(contents.versions.size()); ++i) {
        const BackupVersion& version = contents.versions[std::size_t(i)];
        Entry* entry = presentEntry(contents.entries[std::size_t(version.entryIndex)].record);
        if (!entry || (!version.text && version.sealedBody.isEmpty())) {
            continue;
        }
        if (!savedAt.contains(entry)) {
            QSet<qint64>& stamps = savedAt[entry];
            for (const EntryStore::Version& present : store.versions(*entry)) {
                stamps.insert(present.savedAt.toMSecsSinceEpoch());
            }
        }
        if (!savedAt[entry].contains(version.savedAt.toMSecsSinceEpoch())) {
            plan.newVersions.emplace_back(i, entry);
        }
    }
    return plan;
}

bool applyRestore(const RestorePlan& plan, const BackupContents& contents, EntryStore& store, const EntryKey& key,
                  QString* error)
{
    // Everything is sealed before anything is changed, so a cipher failure leaves the journal as it was.
    std::vector<QByteArray> bodies;
    std::vector<QByteArray> repairedBodies;
    std::vector<QByteArray> versionBodies(contents.versions.size());
    bodies.reserve(plan.newEntries.size());
    const auto sealVersion = [&](std::size_t index) {
        const BackupVersion& version = contents.versions[index];
        versionBodies[index] = version.text ? sealEntryText(*version.text, key) : version.sealedBody;
    };
    try {
        for (int index : plan.newEntries) {
            const BackupRecord& backedUp = contents.entries[std::size_t(index)];
            bodies.push_back(backedUp.record.text ? sealEntryText(*backedUp.record.text, key) : backedUp.sealedBody);
        }
        for (const auto& [index, entry] : plan.repairs) {
            repairedBodies.push_back(sealEntryText(*contents.entries[std::size_t(index)].record.text, key));
        }
        for (std::size_t i = 0; i < contents.versions.size(); ++i) {
            sealVersion(i);
        }
    } catch (const std::exception&) {
        *error = QCoreApplication::translate("wendle::JournalBackup",
                                             "the entries could not be sealed with this journal's key");
        return false;
    }
    std::vector<NewEntry> fields;
    fields.reserve(plan.newEntries.size());
    for (std::size_t i = 0; i < plan.newEntries.size(); ++i) {
        const EntryRecord& record = contents.entries[std::size_t(plan.newEntries[i])].record;
        NewEntry added = record.sealedAs(std::move(bodies[i]));
        added.creditedWords = creditedWordsOf(record);
        fields.push_back(std::move(added));
    }
    const std::vector<Entry*> inserted = store.insert(fields);
    QHash<int, Entry*> added;
    for (std::size_t i = 0; i < inserted.size(); ++i) {
        added.insert(plan.newEntries[i], inserted[i]);
    }
    for (const BackupDisplacedBody& body : contents.displaced) {
        if (Entry* entry = added.value(body.entryIndex)) {
            store.keepAside(entry, body.cipherBody, body.displacedAt);
        }
    }
    for (std::size_t i = 0; i < contents.versions.size(); ++i) {
        const BackupVersion& version = contents.versions[i];
        if (Entry* entry = added.value(version.entryIndex); entry && !versionBodies[i].isEmpty()) {
            store.addVersion(entry, versionBodies[i], version.savedAt, version.wordCount);
        }
    }
    for (const auto& [index, entry] : plan.newVersions) {
        const BackupVersion& version = contents.versions[std::size_t(index)];
        store.addVersion(entry, versionBodies[std::size_t(index)], version.savedAt, version.wordCount);
    }
    // The body that does not open is kept aside by the store before the backup's text takes its place.
    for (std::size_t i = 0; i < plan.repairs.size(); ++i) {
        store.replaceBody(plan.repairs[i].second, repairedBodies[i], key);
    }
    if (!store.save()) {
        *error = store.saveFailure();
        return false;
    }
    return true;
}

} // namespace wendle
