// SPDX-License-Identifier: GPL-3.0-or-later
#include "journal/EntryKeyStore.h"
#include "journal/RecoveryCode.h"

#include "TempJournal.h"

#include <QCryptographicHash>
#include <QFile>
#include <QTest>

#include <sqlite3.h>

using namespace wendle;
using namespace wendle::test;

namespace {

// The in-memory keychain answers at once, so every reply has arrived when these return.
EntryKeyResult loadNow(Keychain& keychain, EntryStore& store)
{
    std::optional<EntryKeyResult> result;
    loadOrCreateEntryKey(keychain, store, [&](EntryKeyResult r) { result = std::move(r); });
    Q_ASSERT(result);
    return *result;
}

EntryKeyResult restoreNow(Keychain& keychain, EntryStore& store, std::shared_ptr<const EntryKey> key)
{
    std::optional<EntryKeyResult> result;
    restoreEntryKey(keychain, store, std::move(key), [&](EntryKeyResult r) { result = std::move(r); });
    Q_ASSERT(result);
    return *result;
}

EntryKeyResult replaceNow(Keychain& keychain, EntryStore& store)
{
    std::optional<EntryKeyResult> result;
    replaceEntryKey(keychain, store, [&](EntryKeyResult r) { result = std::move(r); });
    Q_ASSERT(result);
    return *result;
}

QByteArray bytesOf(const EntryKey& key)
{
    return QByteArray(reinterpret_cast<const char*>(key.data()), key.length());
}

QByteArray fileHash(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
}

// The tables and version as the first released journals wrote them, before key checks existed.
void writeVersionOneJournal(const QString& path, const EntryKey& key, int entries)
{
    sqlite3* db = nullptr;
    QVERIFY(sqlite3_open(QFile::encodeName(path).constData(), &db) == SQLITE_OK);
    QVERIFY(sqlite3_exec(db,
                         "PRAGMA journal_mode = WAL;"
                         "CREATE TABLE entries (id INTEGER PRIMARY KEY, date INTEGER, day_key TEXT, prompt_id TEXT,"
                         " category_raw TEXT, cipher_body BLOB, credited_words INTEGER NOT NULL DEFAULT 0);"
                         "CREATE TABLE displaced_bodies (id INTEGER PRIMARY KEY, entry_id INTEGER NOT NULL,"
                         " cipher_body BLOB NOT NULL, displaced_at INTEGER NOT NULL);"
                         "PRAGMA user_version = 1;",
                         nullptr, nullptr, nullptr)
            == SQLITE_OK);
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO entries VALUES (?1, ?2, ?3, 'freeform', 'freeform', ?4, ?5)", -1, &insert,
                       nullptr);
    for (int i = 1; i <= entries; ++i) {
        const QByteArray body = sealEntryText(QStringLiteral("entry number %1").arg(i), key);
        const QByteArray dayKey = QStringLiteral("2026-01-%1").arg(i, 2, 10, QLatin1Char('0')).toUtf8();
        sqlite3_bind_int64(insert, 1, i);
        sqlite3_bind_int64(insert, 2, 1767268800000LL + i * 86400000LL);
        sqlite3_bind_text(insert, 3, dayKey.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_blob(insert, 4, body.constData(), static_cast<int>(body.size()), SQLITE_TRANSIENT);
        sqlite3_bind_int64(insert, 5, 3);
        QCOMPARE(sqlite3_step(insert), SQLITE_DONE);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    sqlite3_close(db);
}

QList<QByteArray> entryRows(const QString& path)
{
    sqlite3* db = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* select = nullptr;
    sqlite3_prepare_v2(db,
                       "SELECT id, date, day_key, prompt_id, category_raw, hex(cipher_body), credited_words "
                       "FROM entries ORDER BY id",
                       -1, &select, nullptr);
    QList<QByteArray> rows;
    while (sqlite3_step(select) == SQLITE_ROW) {
        QByteArray row;
        for (int column = 0; column < 7; ++column) {
            row += QByteArray(reinterpret_cast<const char*>(sqlite3_column_text(select, column))) + '|';
        }
        rows << row;
    }
    sqlite3_finalize(select);
    sqlite3_close(db);
    return rows;
}

} // namespace

class TestEntryKeyStore : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void aNewJournalGetsOneKeyAndItsCheck();
    void aJournalThatHadAKeyNeverGetsANewOne();
    void keychainFailuresFailTheUnlock();
    void aForeignKeyIsRefusedAndNothingIsWritten();
    void versionOneJournalGainsItsCheckAtUnlock();
    void recoveryCodeRoundTripAndTypos();
    void restoreKeepsTheItemItReplaces();
    void aNewKeyKeepsEverythingOld();
};

void TestEntryKeyStore::aNewJournalGetsOneKeyAndItsCheck()
{
    TempJournal journal;
    InMemoryKeychain keychain;
    const EntryKeyResult first = loadNow(keychain, *journal.store);
    QVERIFY(first.key);
    QVERIFY(first.created);
    QCOMPARE(keychain.stored(entryKeyItem), bytesOf(*first.key));
    QCOMPARE(journal.store->keyChecks().size(), std::size_t(1));

    const EntryKeyResult second = loadNow(keychain, *journal.store);
    QCOMPARE(bytesOf(*second.key), bytesOf(*first.key));
    QVERIFY(!second.created);
    QCOMPARE(keychain.addCount(), 1);
    QCOMPARE(journal.store->keyChecks().size(), std::size_t(1));
}

void TestEntryKeyStore::aJournalThatHadAKeyNeverGetsANewOne()
{
    // A keychain that answers "not found" (a locked collection does, through some libraries) for a journal
    // with entries, or with only a key check left.
    for (const bool withEntries : {true, false}) {
        TempJournal journal;
        if (withEntries) {
            journal.add(QStringLiteral("2026-12-01"), QStringLiteral("freeform"), QStringLiteral("kept words"));
            QVERIFY(journal.store->save());
        } else {
            QVERIFY(journal.store->addKeyCheck(sealKeyCheck(*journal.key)));
        }
        const QString path = journal.store->path();
        const QByteArray before = fileHash(path);
        InMemoryKeychain keychain;
        keychain.failLookups(KeychainStatus::itemNotFound);

        const EntryKeyResult result = loadNow(keychain, *journal.store);
        QVERIFY(!result.key);
        QCOMPARE(result.problem, KeyProblem::keyMissing);
        QCOMPARE(result.error, EntryCryptoError::keychainStatus(KeychainStatus::itemNotFound));
        QCOMPARE(keychain.addCount(), 0);
        QCOMPARE(fileHash(path), before);
    }
}

void TestEntryKeyStore::keychainFailuresFailTheUnlock()
{
    TempJournal journal;
    InMemoryKeychain addFails;
    addFails.failAdds(KeychainStatus::duplicateItem);
    EntryKeyResult result = loadNow(addFails, *journal.store);
    QVERIFY(!result.key);
    QCOMPARE(result.error, EntryCryptoError::keychainStatus(-25299));
    QVERIFY(journal.store->keyChecks().empty());

    for (const qint32 status :
         {KeychainStatus::userCanceled, KeychainStatus::interactionNotAllowed, KeychainStatus::notAvailable}) {
        InMemoryKeychain lookupFails;
        lookupFails.failLookups(status);
        result = loadNow(lookupFails, *journal.store);
        QCOMPARE(result.error, EntryCryptoError::keychainStatus(status));
        QCOMPARE(result.problem, KeyProblem::keyringUnavailable);
        QCOMPARE(lookupFails.addCount(), 0);
    }

    // An item that is not a key is left as it is.
    for (const QByteArray& stored : {QByteArray(31, 'k'), QByteArray(33, 'k'), QByteArray()}) {
        InMemoryKeychain keychain;
        keychain.store(entryKeyItem, stored);
        result = loadNow(keychain, *journal.store);
        QVERIFY(!result.key);
        QCOMPARE(result.problem, KeyProblem::keyMismatch);
        QCOMPARE(keychain.stored(entryKeyItem), stored);
        QCOMPARE(keychain.addCount(), 0);
    }
}

void TestEntryKeyStore::aForeignKeyIsRefusedAndNothingIsWritten()
{
    // Once by the key check, once (a journal from before key checks) by its bodies.
    for (const bool checked : {true, false}) {
        TempJournal journal;
        journal.add(QStringLiteral("2026-12-01"), QStringLiteral("freeform"), QStringLiteral("mine"));
        QVERIFY(journal.store->save());
        if (checked) {
            QVERIFY(journal.store->addKeyCheck(sealKeyCheck(*journal.key)));
        }
        const QByteArray before = fileHash(journal.store->path());
        InMemoryKeychain keychain;
        const QByteArray foreign = bytesOf(*EntryKey::random());
        keychain.store(entryKeyItem, foreign);

        const EntryKeyResult result = loadNow(keychain, *journal.store);
        QVERIFY(!result.key);
        QCOMPARE(result.problem, KeyProblem::keyMismatch);
        QCOMPARE(keychain.stored(entryKeyItem), foreign);
        QCOMPARE(fileHash(journal.store->path()), before);
    }
}

void TestEntryKeyStore::versionOneJournalGainsItsCheckAtUnlock()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("journal.sqlite"));
    const auto key = EntryKey::random();
    writeVersionOneJournal(path, *key, 3);
    const QList<QByteArray> rowsBefore = entryRows(path);
    QCOMPARE(rowsBefore.size(), 3);

    QString error;
    auto store = EntryStore::open(path, &error);
    QVERIFY2(store, qPrintable(error));
    QCOMPARE(store->storedSchemaVersion(), 1);
    QVERIFY(store->keyChecks().empty());

    InMemoryKeychain keychain;
    keychain.store(entryKeyItem, bytesOf(*key));
    QVERIFY(loadNow(keychain, *store).key);
    QVERIFY(loadNow(keychain, *store).key);
    store.reset();

    store = EntryStore::open(path, &error);
    QVERIFY2(store, qPrintable(error));
    QCOMPARE(store->storedSchemaVersion(), EntryStore::schemaVersion);
    QCOMPARE(store->keyChecks().size(), std::size_t(1));
    QVERIFY(keyBelongsToJournal(*key, *store));
    QVERIFY(!keyBelongsToJournal(*EntryKey::random(), *store));
    store.reset();
    QCOMPARE(entryRows(path), rowsBefore);
}

void TestEntryKeyStore::recoveryCodeRoundTripAndTypos()
{
    const QByteArray key = bytesOf(*EntryKey::random());
    const QString code = formatRecoveryCode(key);
    QCOMPARE(code.size(), recoveryCodeLength + 13);
    QVERIFY(QRegularExpression(QStringLiteral("^([0-9A-HJKMNP-TV-Z]{4}-){13}[0-9A-HJKMNP-TV-Z]{3}$"))
                .match(code)
                .hasMatch());
    QCOMPARE(parseRecoveryCode(code), key);
    // Lower case, spaces instead of hyphens and Crockford's look-alikes read the same.
    QString relaxed = code.toLower().replace(u'-', u' ');
    relaxed.replace(u'1', u'l').replace(u'0', u'o');
    QCOMPARE(parseRecoveryCode(relaxed), key);

    QCOMPARE(formatRecoveryCode(QByteArray(32, '\0')).left(4), QStringLiteral("0000"));
    QVERIFY(!parseRecoveryCode(code.chopped(1)));
    QVERIFY(!parseRecoveryCode(code + u'0'));

    const QString plain = normalizedRecoveryCode(code);
    const QString alphabet = QStringLiteral("0123456789ABCDEFGHJKMNPQRSTVWXYZ");
    for (int i = 0; i < plain.size(); ++i) {
        for (const QChar other : alphabet) {
            if (other == plain[i]) {
                continue;
            }
            QString typo = plain;
            typo[i] = other;
            QVERIFY2(!parseRecoveryCode(typo), qPrintable(QStringLiteral("typo at %1").arg(i)));
        }
        if (i + 1 < plain.size() && plain[i] != plain[i + 1]) {
            QString swapped = plain;
            std::swap(swapped[i], swapped[i + 1]);
            QVERIFY2(!parseRecoveryCode(swapped), qPrintable(QStringLiteral("swap at %1").arg(i)));
        }
    }
}

void TestEntryKeyStore::restoreKeepsTheItemItReplaces()
{
    TempJournal journal;
    Entry* entry = journal.add(QStringLiteral("2026-12-01"), QStringLiteral("freeform"), QStringLiteral("mine"));
    QVERIFY(journal.store->addKeyCheck(sealKeyCheck(*journal.key)));
    QVERIFY(journal.store->save());
    const auto typed = EntryKey::fromBytes(*parseRecoveryCode(formatRecoveryCode(bytesOf(*journal.key))));

    // Another journal's code is refused without touching the keychain.
    InMemoryKeychain keychain;
    const QByteArray foreign = bytesOf(*EntryKey::random());
    keychain.store(entryKeyItem, foreign);
    EntryKeyResult result = restoreNow(keychain, *journal.store, EntryKey::random());
    QCOMPARE(result.problem, KeyProblem::keyMismatch);
    QCOMPARE(keychain.addCount(), 0);

    result = restoreNow(keychain, *journal.store, typed);
    QVERIFY(result.key);
    QCOMPARE(openEntryText(entry->cipherBody(), *result.key), QStringLiteral("mine"));
    QCOMPARE(keychain.stored(entryKeyItem), bytesOf(*journal.key));
    const QStringList accounts = keychain.accounts(entryKeyItem.service);
    QCOMPARE(accounts.size(), 2);
    QVERIFY(accounts[1].startsWith(QStringLiteral("entry-encryption-key.replaced-")));
    QCOMPARE(keychain.stored({entryKeyItem.service, accounts[1]}), foreign);
    QVERIFY(loadNow(keychain, *journal.store).key);

    // With nothing in the keychain the code simply goes back in.
    InMemoryKeychain empty;
    QVERIFY(restoreNow(empty, *journal.store, typed).key);
    QCOMPARE(empty.accounts(entryKeyItem.service), QStringList{entryKeyItem.account});
}

void TestEntryKeyStore::aNewKeyKeepsEverythingOld()
{
    TempJournal journal;
    Entry* entry = journal.add(QStringLiteral("2026-12-01"), QStringLiteral("freeform"), QStringLiteral("old words"));
    QVERIFY(journal.store->addKeyCheck(sealKeyCheck(*journal.key)));
    QVERIFY(journal.store->save());
    const QByteArray oldBody = entry->cipherBody();
    InMemoryKeychain keychain;
    const QByteArray foreign = bytesOf(*EntryKey::random());
    keychain.store(entryKeyItem, foreign);

    const EntryKeyResult result = replaceNow(keychain, *journal.store);
    QVERIFY(result.key);
    QVERIFY(result.created);
    QCOMPARE(keychain.stored(entryKeyItem), bytesOf(*result.key));
    QCOMPARE(keychain.accounts(entryKeyItem.service).size(), 2);
    QCOMPARE(entry->cipherBody(), oldBody);
    QCOMPARE(journal.store->keyChecks().size(), std::size_t(2));
    QVERIFY(loadNow(keychain, *journal.store).key);

    // The old code is still recognised, and opens the old entry again.
    const EntryKeyResult back = restoreNow(keychain, *journal.store, journal.key);
    QVERIFY(back.key);
    QCOMPARE(openEntryText(entry->cipherBody(), *back.key), QStringLiteral("old words"));
    QCOMPARE(keychain.accounts(entryKeyItem.service).size(), 3);
}

QTEST_GUILESS_MAIN(TestEntryKeyStore)
#include "TestEntryKeyStore.moc"
