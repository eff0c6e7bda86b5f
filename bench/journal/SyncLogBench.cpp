// SPDX-License-Identifier: GPL-3.0-or-later
// The sync log's costs: what an append adds to a save, and reading another computer's changes.
#include "journal/EntryCrypto.h"
#include "journal/SyncFolder.h"
#include "journal/SyncId.h"
#include "journal/SyncLogReader.h"
#include "journal/SyncLogWriter.h"

#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <fcntl.h>
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

} // namespace
