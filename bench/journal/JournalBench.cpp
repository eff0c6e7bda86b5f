// SPDX-License-Identifier: GPL-3.0-or-later
// The journal core's hot paths, each beside the bare library call it must stay close to.
#include "journal/EntryCrypto.h"
#include "journal/EntryKeyStore.h"
#include "journal/EntryStore.h"
#include "journal/Keychain.h"
#include "journal/WordCount.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <openssl/evp.h>
#include <openssl/rand.h>
#include <sqlite3.h>

using namespace wendle;

namespace {

constexpr int kStoreEntries = 20000;

QString textOfSize(qsizetype bytes)
{
    const QString sentence = QStringLiteral("The light came in sideways and I wrote until the tea went cold. ");
    QString text;
    while (text.size() < bytes) {
        text += sentence;
    }
    text.truncate(bytes);
    return text;
}

// Writes 20,000 entries of about 1 KB each, one a day, sealed under `key`, to the journal at `file`.
void writeLargeJournal(const QString& file, const EntryKey& key)
{
    QString error;
    auto store = EntryStore::open(file, &error);
    const QDateTime start(QDate(1990, 1, 1), QTime(9, 0), Qt::UTC);
    for (int i = 0; i < kStoreEntries; ++i) {
        const QDateTime date = start.addDays(i);
        store->insert({date, date.date().toString(Qt::ISODate), QStringLiteral("memory-%1").arg(i % 62),
                       QStringLiteral("memory"), sealEntryText(textOfSize(1024), key), 180});
    }
    if (!store->save()) {
        qFatal("the bench journal could not be written");
    }
}

// A journal of 20,000 entries of about 1 KB each, built once per run.
const QString& largeJournal()
{
    static QTemporaryDir dir;
    static const QString path = [] {
        const QString file = dir.filePath(QStringLiteral("journal.sqlite"));
        writeLargeJournal(file, *EntryKey::random());
        return file;
    }();
    return path;
}

// The same journal with ten earlier versions of every entry, each of another day so thinning keeps them all.
const QString& largeJournalWithVersions()
{
    static QTemporaryDir dir;
    static const QString path = [] {
        const QString file = dir.filePath(QStringLiteral("journal.sqlite"));
        if (!QFile::copy(largeJournal(), file)) {
            qFatal("the bench journal could not be copied");
        }
        sqlite3* db = nullptr;
        sqlite3_open(QFile::encodeName(file).constData(), &db);
        const int added = sqlite3_exec(db,
                                       "WITH RECURSIVE n(k) AS (SELECT 1 UNION ALL SELECT k + 1 FROM n WHERE k < 10) "
                                       "INSERT INTO entry_versions (entry_id, saved_at, word_count, cipher_body) "
                                       "SELECT id, date + k * 86400000, 180, cipher_body FROM entries, n",
                                       nullptr, nullptr, nullptr);
        sqlite3_close(db);
        if (added != SQLITE_OK) {
            qFatal("the bench journal's versions could not be written");
        }
        return file;
    }();
    return path;
}

void sealAndOpen(benchmark::State& state)
{
    const QString text = textOfSize(state.range(0));
    const auto key = EntryKey::random();
    for (auto _ : state) {
        const QByteArray body = sealEntryText(text, *key);
        benchmark::DoNotOptimize(openEntryText(body, *key));
    }
    state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(sealAndOpen)->Arg(2 * 1024)->Arg(64 * 1024);

// The floor: encrypt and decrypt the same bytes with EVP directly, with one reused context.
void bareEvpGcm(benchmark::State& state)
{
    const QByteArray plain = textOfSize(state.range(0)).toUtf8();
    const int length = static_cast<int>(plain.size());
    unsigned char key[32];
    unsigned char nonce[12];
    unsigned char tag[16];
    RAND_bytes(key, sizeof key);
    QByteArray sealed(length, '\0');
    QByteArray opened(length, '\0');
    EVP_CIPHER_CTX* context = EVP_CIPHER_CTX_new();
    const auto* in = reinterpret_cast<const unsigned char*>(plain.constData());
    auto* out = reinterpret_cast<unsigned char*>(sealed.data());
    auto* back = reinterpret_cast<unsigned char*>(opened.data());
    for (auto _ : state) {
        int n = 0;
        RAND_bytes(nonce, sizeof nonce);
        EVP_EncryptInit_ex(context, EVP_aes_256_gcm(), nullptr, key, nonce);
        EVP_EncryptUpdate(context, out, &n, in, length);
        EVP_EncryptFinal_ex(context, out + n, &n);
        EVP_CIPHER_CTX_ctrl(context, EVP_CTRL_GCM_GET_TAG, 16, tag);
        EVP_DecryptInit_ex(context, EVP_aes_256_gcm(), nullptr, key, nonce);
        EVP_DecryptUpdate(context, back, &n, out, length);
        EVP_CIPHER_CTX_ctrl(context, EVP_CTRL_GCM_SET_TAG, 16, tag);
        benchmark::DoNotOptimize(EVP_DecryptFinal_ex(context, back + n, &n));
    }
    EVP_CIPHER_CTX_free(context);
    state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(bareEvpGcm)->Arg(2 * 1024)->Arg(64 * 1024);

// The word count runs on every keystroke over the paragraph being typed into: range(0) is 0 for English, 1 for
// Japanese, which goes through the dictionary-based word break.
void countWordsOfParagraph(benchmark::State& state)
{
    const QString japanese = QStringLiteral("今日は朝から雨が降っていたので、家で本を読みながらお茶を飲んだ。");
    QString text = state.range(0) ? QString() : textOfSize(2 * 1024);
    while (state.range(0) && text.size() < 2 * 1024) {
        text += japanese;
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(countWords(text));
    }
    state.SetBytesProcessed(state.iterations() * text.size() * qsizetype(sizeof(QChar)));
}
BENCHMARK(countWordsOfParagraph)->Arg(0)->Arg(1);

void openLargeStore(benchmark::State& state)
{
    const QString& path = largeJournal();
    for (auto _ : state) {
        QString error;
        auto store = EntryStore::open(path, &error);
        benchmark::DoNotOptimize(store->entries().size());
    }
}
BENCHMARK(openLargeStore)->Unit(benchmark::kMillisecond);

// Each save keeps the replaced body as a version and thins the entry's versions; range(0) says whether the other
// entries have ten versions each.
void saveOneChangedEntry(benchmark::State& state)
{
    QString error;
    auto store = EntryStore::open(state.range(0) ? largeJournalWithVersions() : largeJournal(), &error);
    const auto key = EntryKey::random();
    Entry* entry = store->entries().at(kStoreEntries / 2);
    const QByteArray bodies[2] = {sealEntryText(textOfSize(1024), *key), sealEntryText(textOfSize(1030), *key)};
    int turn = 0;
    for (auto _ : state) {
        store->replaceBody(entry, bodies[turn ^= 1], *key);
        store->setCreditedWords(entry, 180 + turn);
        benchmark::DoNotOptimize(store->save());
    }
}
BENCHMARK(saveOneChangedEntry)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// Joining another computer's journal: every one of 20,000 entries of about 1 KB sealed again under its key, in one
// transaction on the GUI thread, then the keychain written.
void joinWithTwentyThousandEntries(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("journal.sqlite"));
    for (auto _ : state) {
        state.PauseTiming();
        QFile::remove(path);
        const auto own = EntryKey::random();
        writeLargeJournal(path, *own);
        QString error;
        const auto store = EntryStore::open(path, &error);
        InMemoryKeychain keychain;
        state.ResumeTiming();
        bool joined = false;
        joinEntryKey(keychain, *store, EntryKey::random(), own,
                     [&](const EntryKeyResult& result) { joined = result.key != nullptr; });
        if (!joined) {
            state.SkipWithError("the journal did not join");
        }
    }
}
BENCHMARK(joinWithTwentyThousandEntries)->Unit(benchmark::kMillisecond)->Iterations(3);

// The floor: the same one-row change as a bare sqlite3 UPDATE in its own committed transaction.
void bareSqliteUpdate(benchmark::State& state)
{
    sqlite3* db = nullptr;
    sqlite3_open(QFile::encodeName(largeJournal()).constData(), &db);
    sqlite3_exec(db, "PRAGMA journal_mode = WAL; PRAGMA synchronous = FULL", nullptr, nullptr, nullptr);
    sqlite3_stmt* update = nullptr;
    sqlite3_prepare_v2(db, "UPDATE entries SET cipher_body = ?1, credited_words = ?2 WHERE id = ?3", -1, &update,
                       nullptr);
    const QByteArray body(1052, 'x');
    int turn = 0;
    for (auto _ : state) {
        sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
        sqlite3_bind_blob(update, 1, body.constData(), static_cast<int>(body.size()), SQLITE_STATIC);
        sqlite3_bind_int(update, 2, 180 + (turn ^= 1));
        sqlite3_bind_int(update, 3, kStoreEntries / 2);
        sqlite3_step(update);
        sqlite3_reset(update);
        benchmark::DoNotOptimize(sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr));
    }
    sqlite3_finalize(update);
    sqlite3_close(db);
}
BENCHMARK(bareSqliteUpdate)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    // The screen benchmarks need widgets, not a display.
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
