// SPDX-License-Identifier: GPL-3.0-or-later
// The sync log's costs: what an append adds to a save, and reading another computer's changes.
#include "journal/EntryCrypto.h"
#include "journal/EntryStore.h"
#include "journal/SyncEngine.h"
#include "journal/SyncFolder.h"
#include "journal/SyncId.h"
#include "journal/SyncLogReader.h"
#include "journal/SyncLogWriter.h"

#include "BenchJournal.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

using namespace wendle;

namespace {

constexpr int kLogRecords = 10000;

SyncRecord changeOfSize(int index, qsizetype bytes)
{
    const QByteArray device(SyncId::length, '\xaa');
    return {SyncId::random(),
            QDateTime(QDate(2026, 3, 1), QTime(9, 0), Qt::UTC),
            QStringLiteral("2026-03-01"),
            QStringLiteral("memory-001"),
            QStringLiteral("memory"),
            QString(bytes, u'w'),
            180,
            {quint64(index + 1), device},
            {quint64(index + 1), device}};
}

const std::shared_ptr<const EntryKey>& benchKey()
{
    static const std::shared_ptr<const EntryKey> key = EntryKey::random();
    return key;
}

// Another computer's log of 10,000 changes of about 1 KB each, written once per run.
const QString& largeLog()
{
    static QTemporaryDir dir;
    static const QString root = [] {
        const QString made = SyncFolder::root(dir.path());
        SyncLogWriter log(made, QByteArray(SyncId::length, '\xaa'), benchKey());
        std::vector<SyncRecord> records;
        for (int i = 0; i < kLogRecords; ++i) {
            records.push_back(changeOfSize(i, 1024));
        }
        QString error;
        if (!log.open(&error) || !log.append(records, &error)) {
            qFatal("the bench log could not be written: %s", qPrintable(error));
        }
        return made;
    }();
    return root;
}

// One change of 1 KB, sealed and on disk: what sync adds to each save.
void appendOneChange(benchmark::State& state)
{
    QTemporaryDir dir;
    SyncLogWriter log(SyncFolder::root(dir.path()), QByteArray(SyncId::length, '\xbb'), benchKey());
    QString error;
    if (!log.open(&error)) {
        state.SkipWithError(qPrintable(error));
        return;
    }
    const SyncRecord record = changeOfSize(0, 1024);
    for (auto _ : state) {
        benchmark::DoNotOptimize(log.append(record, &error));
    }
}
BENCHMARK(appendOneChange)->Unit(benchmark::kMicrosecond);

// The floor: the same bytes written and synced to a file.
void bareWriteAndSync(benchmark::State& state)
{
    QTemporaryDir dir;
    const int fd = ::open(QFile::encodeName(dir.filePath(QStringLiteral("floor"))).constData(),
                          O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    const QByteArray bytes(1024 + 180, 'x');
    for (auto _ : state) {
        benchmark::DoNotOptimize(::write(fd, bytes.constData(), std::size_t(bytes.size())));
        benchmark::DoNotOptimize(::fdatasync(fd));
    }
    ::close(fd);
}
BENCHMARK(bareWriteAndSync)->Unit(benchmark::kMicrosecond);

// Everything another computer wrote, read, opened and decoded from the start.
void readTenThousandChanges(benchmark::State& state)
{
    SyncLogReader reader(largeLog(), QByteArray(SyncId::length, '\xaa'), benchKey());
    for (auto _ : state) {
        const SyncLogReader::Pass pass = reader.read({});
        if (pass.records.size() != std::size_t(kLogRecords)) {
            state.SkipWithError("the bench log did not read back whole");
        }
    }
}
BENCHMARK(readTenThousandChanges)->Unit(benchmark::kMillisecond);

/** A journal and its sync engine in a folder of their own, syncing through `chosenFolder`. */
struct SyncedJournal
{
    QTemporaryDir dir;
    std::unique_ptr<EntryStore> store;
    std::unique_ptr<SyncEngine> engine;

    explicit SyncedJournal(const QString& chosenFolder)
    {
        QString error;
        store = EntryStore::open(dir.filePath(QStringLiteral("journal.sqlite")), &error);
        if (!store) {
            qFatal("the bench journal could not be opened: %s", qPrintable(error));
        }
        engine = std::make_unique<SyncEngine>(*store, systemClock(), nullptr, dir.filePath(QStringLiteral("device")),
                                              dir.filePath(QStringLiteral("machine-id")));
        engine->setFolder(chosenFolder);
    }
    /** Runs the event loop until the engine has finished its passes. */
    void settle() const
    {
        QEventLoop loop;
        QObject::connect(engine.get(), &SyncEngine::passFinished, &loop, &QEventLoop::quit);
        loop.exec();
    }
};

// The entry's text and credited words changed as the writing screens change them, and saved.
bool editAndSave(EntryStore& store, Entry* entry, int edit)
{
    store.replaceBody(entry, sealEntryText(QStringLiteral("edit %1").arg(edit), *benchKey()), *benchKey());
    store.setCreditedWords(entry, 2);
    return store.save();
}

// A save of one changed entry of a journal of 1,000, with sync off: the floor for the next one.
void saveAlone(benchmark::State& state)
{
    QTemporaryDir folder;
    SyncedJournal journal(QString{});
    bench::fillJournal(*journal.store, *benchKey(), 1000);
    Entry* entry = journal.store->entries().back();
    int i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(editAndSave(*journal.store, entry, ++i));
    }
}
BENCHMARK(saveAlone)->Unit(benchmark::kMicrosecond);

// The same save with sync on, until its record is on disk in the log and the entry's mark is cleared.
void saveWithItsAppend(benchmark::State& state)
{
    QTemporaryDir folder;
    SyncedJournal journal(folder.path());
    bench::fillJournal(*journal.store, *benchKey(), 1000);
    journal.engine->unlocked(benchKey());
    journal.settle();
    Entry* entry = journal.store->entries().back();
    int i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(editAndSave(*journal.store, entry, ++i));
        journal.settle();
    }
    if (entry->logMark() != 0) {
        state.SkipWithError("the change did not reach the log");
    }
}
BENCHMARK(saveWithItsAppend)->Unit(benchmark::kMicrosecond);

// Another computer's 10,000 changes, read on the worker in batches and merged into an empty journal, all saved.
void applyTenThousandChanges(benchmark::State& state)
{
    const QString chosenFolder = QFileInfo(largeLog()).path();
    for (auto _ : state) {
        SyncedJournal journal(chosenFolder);
        QElapsedTimer timer;
        timer.start();
        journal.engine->unlocked(benchKey());
        journal.settle();
        state.SetIterationTime(double(timer.nsecsElapsed()) / 1e9);
        if (journal.store->entries().size() != std::size_t(kLogRecords)) {
            state.SkipWithError("the changes were not all applied");
        }
    }
}
BENCHMARK(applyTenThousandChanges)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);

double processCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// A synced journal with nothing new to read, left alone for a little over a minute (one timed pass and the folder
// watcher): the processor time it takes, as a share of the time passed.
void idleWhileSynced(benchmark::State& state)
{
    const QString chosenFolder = QFileInfo(largeLog()).path();
    SyncedJournal journal(chosenFolder);
    journal.engine->unlocked(benchKey());
    journal.settle();
    for (auto _ : state) {
        const double cpuBefore = processCpuSeconds();
        QElapsedTimer timer;
        timer.start();
        QEventLoop loop;
        QTimer::singleShot(SyncEngine::intervalMilliseconds + 5000, &loop, &QEventLoop::quit);
        loop.exec();
        const double seconds = double(timer.nsecsElapsed()) / 1e9;
        state.SetIterationTime(seconds);
        state.counters["cpu_percent"] = 100 * (processCpuSeconds() - cpuBefore) / seconds;
    }
}
BENCHMARK(idleWhileSynced)->Unit(benchmark::kSecond)->UseManualTime()->Iterations(1);

} // namespace
