// SPDX-License-Identifier: GPL-3.0-or-later
// Any bytes as a file an import brings in: a folder's day file (Wendle's Markdown or free writing) and a JSON
// export (Wendle's own or jrnl's), each planned against a small journal and applied to it. Nothing crashes, and
// whatever is planned is what the journal may keep and is saved as planned. Every input starts from the same
// journal, so a finding replays from its input alone. Putting the journal back after an import costs several times
// what planning does, so only one input in eight, chosen by its bytes, is applied as well as planned.
#include "journal/Calendar.h"
#include "journal/EntryCrypto.h"
#include "journal/EntryStore.h"
#include "journal/SyncId.h"
#include "journal/WordCount.h"
#include "transfer/IncomingEntry.h"
#include "transfer/JournalImport.h"

#include <QDir>
#include <QFile>
#include <QHashFunctions>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdlib>

namespace {

using namespace wendle;

const QDateTime now = QDateTime::fromString(QStringLiteral("2026-12-07T12:00:00Z"), Qt::ISODate);

/**
 * A journal with free writing on 2023-05-01, a prompt answer on 2024-03-10 and free writing on 2023-06-04 that
 * no longer opens, on days the seeds use, so imports reach entries already there, text added to a day's entry
 * and a day whose entry cannot be added to. `restore()` puts the file back as it was made, which is much cheaper
 * than making it again.
 */
class SeedJournal
{
public:
    SeedJournal()
        : m_key(EntryKey::fromBytes(QByteArray(EntryKey::size, '\x5a')))
        , m_path(m_dir.filePath(QStringLiteral("journal.sqlite")))
    {
        open();
        m_store->insert({QDateTime::fromString(QStringLiteral("2023-05-01T10:00:00Z"), Qt::ISODate),
                         QStringLiteral("2023-05-01"), Entry::freeformPromptID, QStringLiteral("pages"),
                         sealEntryText(QStringLiteral("walked to the lake"), *m_key), 4});
        m_store->insert({QDateTime::fromString(QStringLiteral("2024-03-10T06:05:00Z"), Qt::ISODate),
                         QStringLiteral("2024-03-10"), QStringLiteral("m-1"), QStringLiteral("memory"),
                         sealEntryText(QStringLiteral("First light"), *m_key), 2});
        m_store->insert({QDateTime::fromString(QStringLiteral("2023-06-04T08:00:00Z"), Qt::ISODate),
                         QStringLiteral("2023-06-04"), Entry::freeformPromptID, QStringLiteral("pages"),
                         sealEntryText(QStringLiteral("sealed under a key since lost"), *EntryKey::random()), 5});
        if (!m_store->save()) {
            std::abort();
        }
        // Closing folds the write-ahead log into the file, so the file alone is the journal.
        m_store.reset();
        QFile file(m_path);
        if (!file.open(QIODevice::ReadOnly)) {
            std::abort();
        }
        m_bytes = file.readAll();
        open();
    }

    EntryStore& store() { return *m_store; }
    const EntryKey& key() const { return *m_key; }

    void restore()
    {
        m_store.reset();
        QFile file(m_path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(m_bytes) != m_bytes.size()) {
            std::abort();
        }
        file.close();
        open();
    }

private:
    void open()
    {
        QString error;
        m_store = EntryStore::open(m_path, &error);
        if (!m_store) {
            std::abort();
        }
    }

    QTemporaryDir m_dir{QDir::tempPath() + QStringLiteral("/fuzz-import.XXXXXX")};
    std::shared_ptr<const EntryKey> m_key;
    QString m_path;
    QByteArray m_bytes;
    std::unique_ptr<EntryStore> m_store;
};

// What a plan may hold: entries the journal could have written itself, added to entries of this journal only.
void checkPlan(const ImportPlan& plan, const EntryStore& store, const IncomingEntry& checks)
{
    for (const ImportedEntry& imported : plan.entries) {
        const EntryRecord& entry = imported.record;
        const bool fit = entry.date.isValid() && !checks.dayKeyRefusal(entry.dayKey)
            && IncomingEntry::isPromptID(entry.promptID) && IncomingEntry::isCategoryRaw(entry.categoryRaw)
            && entry.text && entry.creditedWords == countWords(*entry.text);
        const bool addsToOwnEntry = !imported.addTo
            || (std::find(store.entries().begin(), store.entries().end(), imported.addTo) != store.entries().end()
                && imported.addTo->dayKey() == entry.dayKey && imported.addTo->promptID() == entry.promptID);
        // A global id comes along only for a new entry, and only one the journal does not hold yet.
        const bool freshId = entry.globalId.isEmpty()
            || (!imported.addTo && SyncId::isValid(entry.globalId) && !store.entryWithGlobalId(entry.globalId));
        if (!fit || !addsToOwnEntry || !freshId) {
            std::abort();
        }
    }
}

// Applies a plan and checks the journal holds what was planned: each new entry after those it had, in plan order,
// and text added to a day's entry after what that entry held. Returns whether the journal changed.
bool apply(const ImportPlan& plan, SeedJournal& journal, const Calendar& calendar)
{
    if (plan.entries.empty()) {
        return false;
    }
    std::vector<QString> held;
    for (const ImportedEntry& entry : plan.entries) {
        held.push_back(entry.addTo ? openEntryText(entry.addTo->cipherBody(), journal.key()) : QString());
    }
    const std::size_t before = journal.store().entries().size();
    QString error;
    if (!applyImport(plan, journal.store(), journal.key(), now, calendar, &error)) {
        std::abort();
    }
    const std::vector<Entry*>& entries = journal.store().entries();
    std::size_t next = before;
    for (std::size_t i = 0; i < plan.entries.size(); ++i) {
        const ImportedEntry& entry = plan.entries[i];
        const Entry* saved = entry.addTo ? entry.addTo : next < entries.size() ? entries[next++] : nullptr;
        const QString text = entry.record.text.value_or(QString());
        const QString expected = entry.addTo ? held[i] + QStringLiteral("\n\n") + text : text;
        if (!saved || saved->dayKey() != entry.record.dayKey || saved->promptID() != entry.record.promptID
            || openEntryText(saved->cipherBody(), journal.key()) != expected) {
            std::abort();
        }
    }
    if (next != entries.size()) {
        std::abort();
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const Calendar calendar = Calendar::make(QStringLiteral("en_US"), QStringLiteral("Europe/Berlin"));
    static const IncomingEntry checks(calendar, now);
    static SeedJournal journal;
    // Raw data, not a copy, so a read past the input's end is caught.
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));

    const bool applies = qHash(bytes, 0) % 8 == 0;

    const DecodedText decoded = decodeIncomingText(bytes);
    const FolderContents folder{{{QStringLiteral("2023-05-01.md"), decoded.text, decoded.replacedBytes}}, {}};
    const ImportPlan fromFolder = planFolderImport(folder, journal.store(), journal.key(), calendar, now);
    checkPlan(fromFolder, journal.store(), checks);
    bool changed = applies && apply(fromFolder, journal, calendar);

    const JsonImportFile json = parseJsonImport(bytes, QStringLiteral("export.json"));
    const ImportPlan fromJson = planJsonImport(json, journal.store(), journal.key(), calendar, now);
    checkPlan(fromJson, journal.store(), checks);
    changed = (applies && apply(fromJson, journal, calendar)) || changed;

    if (changed) {
        journal.restore();
    }
    return 0;
}
