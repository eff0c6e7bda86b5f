// SPDX-License-Identifier: GPL-3.0-or-later
// Backing up, restoring and exporting a journal of 20,000 entries, with the passphrase derivation measured
// on its own so the rest of the work can be judged without it.
#include "BenchJournal.h"
#include "journal/Calendar.h"
#include "journal/EntryCrypto.h"
#include "journal/EntryStore.h"
#include "transfer/ExportWriter.h"
#include "transfer/JournalBackup.h"
#include "transfer/JournalExport.h"
#include "transfer/SnapshotWriter.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

using namespace wendle;

namespace {

constexpr int kEntries = 20000;
// The cheapest derivation the reader accepts: what remains is the cost beyond scrypt.
const ScryptParameters kCheapest{10, 1, 1};

struct Journal
{
    QTemporaryDir dir;
    std::shared_ptr<const EntryKey> key = EntryKey::random();
    std::unique_ptr<EntryStore> store;
};

// 20,000 entries of about 600 bytes, three a day, built once per run.
Journal& journal()
{
    static Journal journal = [] {
        Journal made;
        QString error;
        made.store = EntryStore::open(made.dir.filePath(QStringLiteral("journal.sqlite")), &error);
        bench::fillJournal(*made.store, *made.key, kEntries);
        return made;
    }();
    return journal;
}

// The same 20,000 entries with ten earlier versions each, as years of writing leave them.
Journal& journalWithVersions()
{
    static Journal journal = [] {
        Journal made;
        QString error;
        made.store = EntryStore::open(made.dir.filePath(QStringLiteral("journal.sqlite")), &error);
        bench::fillJournal(*made.store, *made.key, kEntries);
        const QByteArray earlier
            = sealEntryText(QStringLiteral("An earlier draft of the day, shorter.").repeated(12), *made.key);
        for (Entry* entry : made.store->entries()) {
            for (int version = 0; version < 10; ++version) {
                made.store->addVersion(entry, earlier, entry->date().addSecs(60 * version), 72);
            }
        }
        if (!made.store->save()) {
            qFatal("the bench journal's versions could not be written");
        }
        return made;
    }();
    return journal;
}

// The daily snapshot as the scheduler runs it: on the GUI thread nothing but a save of what is pending (nothing
// here); reading the file, opening the texts, sealing, writing, syncing and reading back on the worker.
void dailySnapshotWithVersions(benchmark::State& state)
{
    Journal& source = journalWithVersions();
    QTemporaryDir out;
    const SnapshotKey key(*source.key);
    for (auto _ : state) {
        const SnapshotOutcome outcome = writeSnapshot(out.path(), QDate(2026, 12, 7), source.store->path(), key);
        if (!outcome.problem.isEmpty() || outcome.entries != kEntries) {
            state.SkipWithError("the snapshot failed");
        }
    }
}
BENCHMARK(dailySnapshotWithVersions)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void scryptDerivation(benchmark::State& state)
{
    const BackupContents empty;
    for (auto _ : state) {
        benchmark::DoNotOptimize(encodeBackup(empty, QStringLiteral("passphrase"), ScryptParameters{}));
    }
}
BENCHMARK(scryptDerivation)->Unit(benchmark::kMillisecond)->UseRealTime();

void backupBeyondScrypt(benchmark::State& state)
{
    Journal& source = journal();
    QTemporaryDir out;
    for (auto _ : state) {
        // Written, read back and checked, as the app does.
        const BackupWriteResult result
            = writeBackupFile(out.filePath(QStringLiteral("b.wendlebackup")),
                              snapshotJournal(*source.store, *source.key), QStringLiteral("passphrase"), kCheapest);
        if (result.entries != kEntries) {
            state.SkipWithError("backup failed");
        }
    }
}
BENCHMARK(backupBeyondScrypt)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void restoreBeyondScrypt(benchmark::State& state)
{
    Journal& source = journal();
    const QByteArray file
        = encodeBackup(snapshotJournal(*source.store, *source.key), QStringLiteral("passphrase"), kCheapest);
    for (auto _ : state) {
        state.PauseTiming();
        QTemporaryDir dir;
        QString error;
        auto target = EntryStore::open(dir.filePath(QStringLiteral("journal.sqlite")), &error);
        const auto key = EntryKey::random();
        state.ResumeTiming();
        const BackupReadResult read = decodeBackup(file, QStringLiteral("passphrase"));
        const RestorePlan plan
            = planRestore(*read.contents, *target, *key, Calendar::current(), QDateTime::currentDateTimeUtc());
        if (!applyRestore(plan, *read.contents, *target, *key, &error)) {
            state.SkipWithError("restore failed");
        }
    }
}
BENCHMARK(restoreBeyondScrypt)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void exportMarkdown(benchmark::State& state)
{
    Journal& source = journal();
    const Calendar calendar = Calendar::make(QStringLiteral("en_US"), QStringLiteral("Europe/Berlin"));
    for (auto _ : state) {
        benchmark::DoNotOptimize(markdownExport(collectForExport(*source.store, *source.key, {}), calendar));
    }
}
BENCHMARK(exportMarkdown)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// The same, written to disk as the export command does: 6,667 day files each staged and synced, then named.
void exportMarkdownToDisk(benchmark::State& state)
{
    Journal& source = journal();
    const Calendar calendar = Calendar::make(QStringLiteral("en_US"), QStringLiteral("Europe/Berlin"));
    // Made and removed outside the timed loop: deleting thousands of files is not part of an export.
    QTemporaryDir out;
    for (auto _ : state) {
        QString error;
        ExportWriter writer(out.path(), false);
        bool staged = true;
        for (const ExportFile& file : markdownExport(collectForExport(*source.store, *source.key, {}), calendar)) {
            staged = staged && writer.stage(file, &error);
        }
        if (!staged || !writer.finish(&error)) {
            state.SkipWithError(qPrintable(error));
        }
    }
}
BENCHMARK(exportMarkdownToDisk)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

} // namespace
