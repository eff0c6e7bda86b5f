// SPDX-License-Identifier: GPL-3.0-or-later
// wendle-recover on a journal of 20,000 entries, the real program from start to end (target: at most 5 s). The
// journal's program is still running, so its newest rows are in the write-ahead log and the journal and its log
// are copied before they are read: the slower of the two ways it reads a journal.
#include "BenchJournal.h"
#include "journal/EntryCrypto.h"
#include "journal/EntryStore.h"
#include "journal/RecoveryCode.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

using namespace wendle;

namespace {

constexpr int kEntries = 20000;

struct Journal
{
    QTemporaryDir dir;
    std::shared_ptr<const EntryKey> key = EntryKey::random();
    std::unique_ptr<EntryStore> store;
    QString code;
};

// 20,000 entries of about 600 bytes, three a day, built once per run; the store stays open.
Journal& journal()
{
    static Journal journal = [] {
        Journal made;
        QString error;
        made.store = EntryStore::open(made.dir.filePath(QStringLiteral("journal.sqlite")), &error);
        bench::fillJournal(*made.store, *made.key, kEntries);
        made.code = formatRecoveryCode(QByteArray(reinterpret_cast<const char*>(made.key->data()), made.key->length()));
        return made;
    }();
    return journal;
}

void recoverJournal(benchmark::State& state)
{
    Journal& source = journal();
    const QString path = source.store->path();
    if (QFileInfo(path + QStringLiteral("-wal")).size() == 0) {
        state.SkipWithError("the journal's log is empty");
        return;
    }
    // WENDLE_BENCH_OUTPUT puts the day files on another file system (a tmpfs, to leave the disk out).
    const QString parent = qEnvironmentVariable("WENDLE_BENCH_OUTPUT");
    QTemporaryDir output(parent.isEmpty() ? QDir::tempPath() + QStringLiteral("/recover-XXXXXX")
                                          : parent + QStringLiteral("/recover-XXXXXX"));
    int run = 0;
    for (auto _ : state) {
        QProcess process;
        process.start(QCoreApplication::applicationDirPath() + QStringLiteral("/wendle-recover"),
                      {QStringLiteral("--code"), source.code, path,
                       QDir(output.path()).filePath(QStringLiteral("out-%1").arg(++run))});
        if (!process.waitForFinished(60000) || process.exitCode() != 0
            || !process.readAllStandardOutput().startsWith("Entries recovered: 20000\n")) {
            state.SkipWithError("the recovery failed");
        }
    }
}
BENCHMARK(recoverJournal)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
