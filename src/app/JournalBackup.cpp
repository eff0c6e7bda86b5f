// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/JournalBackup.h"

#include "app/PresentEntries.h"
#include "journal/Calendar.h"
#include "journal/DayKey.h"
#include "journal/EntryCrypto.h"
#include "journal/EntryStore.h"

#include <QFile>
#include <QHash>
#include <QSaveFile>

namespace wendle {

BackupContents snapshotJournal(const EntryStore& store, const EntryKey& key)
{
    BackupContents contents;
    contents.entries.reserve(store.entries().size());
    QHash<qint64, int> indexOfId;
    for (const Entry* entry : store.entries()) {
        BackupRecord record{entry->date(),
                            entry->dayKey(),
                            entry->promptID(),
                            entry->categoryRaw(),
                            entry->creditedWords(),
                            std::nullopt,
                            {}};
        try {
            record.text = openEntryText(entry->cipherBody(), key);
        } catch (const std::exception&) {
            record.sealedBody = entry->cipherBody();
        }
        indexOfId.insert(entry->id(), int(contents.entries.size()));
        contents.entries.push_back(std::move(record));
    }
    for (const EntryStore::DisplacedBody& body : store.displacedBodies()) {
        const auto index = indexOfId.constFind(body.entryId);
        if (index != indexOfId.constEnd()) {
            contents.displaced.push_back({*index, body.cipherBody, body.displacedAt});
        }
    }
    return contents;
}

QString backupFileName(const QDateTime& now, const Calendar& calendar)
{
    return QStringLiteral("wendle-backup-%1.wendlebackup").arg(calendarDayKey(now, calendar));
}

BackupWriteResult writeBackupFile(const QString& path, const BackupContents& contents, const QString& passphrase,
                                  const ScryptParameters& parameters)
{
    const QByteArray sealed = encodeBackup(contents, passphrase, parameters);
    if (sealed.isEmpty()) {
        return {0, QStringLiteral("The backup could not be sealed: the system's cryptography failed.")};
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || !file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner)
        || file.write(sealed) != sealed.size() || !file.commit()) {
        return {0, QStringLiteral("%1 could not be written: %2.").arg(path, file.errorString())};
    }
    QFile written(path);
    if (!written.open(QIODevice::ReadOnly)) {
        return {0, QStringLiteral("%1 could not be read back: %2.").arg(path, written.errorString())};
    }
    const BackupReadResult check = decodeBackup(written.readAll(), passphrase);
    if (!check.contents || check.contents->entries.size() != contents.entries.size()
        || check.contents->displaced.size() != contents.displaced.size()) {
        return {0, QStringLiteral("The backup in %1 did not read back as written; do not rely on it.").arg(path)};
    }
    return {int(contents.entries.size()), {}};
}

RestorePlan planRestore(const BackupContents& contents, const EntryStore& store)
{
    const PresentEntries present(store);
    RestorePlan plan;
    for (int i = 0; i < int(contents.entries.size()); ++i) {
        const BackupRecord& record = contents.entries[std::size_t(i)];
        if (present.contains(record.date, record.dayKey, record.promptID)) {
            ++plan.presentEntries;
        } else {
            plan.newEntries.push_back(i);
        }
    }
    return plan;
}

bool applyRestore(const RestorePlan& plan, const BackupContents& contents, EntryStore& store, const EntryKey& key,
                  QString* error)
{
    // Everything is sealed before anything is inserted, so a cipher failure leaves the journal as it was.
    std::vector<QByteArray> bodies;
    bodies.reserve(plan.newEntries.size());
    try {
        for (int index : plan.newEntries) {
            const BackupRecord& record = contents.entries[std::size_t(index)];
            bodies.push_back(record.text ? sealEntryText(*record.text, key) : record.sealedBody);
        }
    } catch (const std::exception&) {
        *error = QStringLiteral("the entries could not be sealed with this journal's key");
        return false;
    }
    std::vector<NewEntry> fields;
    fields.reserve(plan.newEntries.size());
    for (std::size_t i = 0; i < plan.newEntries.size(); ++i) {
        const BackupRecord& record = contents.entries[std::size_t(plan.newEntries[i])];
        fields.push_back({record.date, record.dayKey, record.promptID, record.categoryRaw, std::move(bodies[i]),
                          record.creditedWords});
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
    if (!store.save()) {
        *error = store.saveFailure();
        return false;
    }
    return true;
}

} // namespace wendle
