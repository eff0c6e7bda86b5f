// SPDX-License-Identifier: GPL-3.0-or-later
// The entry key: made once, kept in a keychain (in memory, and the test session's real Secret Service), never
// replaced unasked, restored from its recovery code, and what it seals.
#include "journal/AesGcm.h"
#include "journal/EntryKeyStore.h"
#include "journal/RecoveryCode.h"
#include "journal/SecretServiceKeychain.h"

#include "ProcessMemory.h"
#include "SqlFile.h"
#include "TempJournal.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QProcess>
#include <QTest>
#include <QUuid>

using namespace wendle;
using namespace wendle::test;

namespace {

/** Waits on the event loop for the keychain's answer, which the in-memory one gives at once. */
template <typename Call> EntryKeyResult waitFor(Call call)
{
    std::optional<EntryKeyResult> result;
    call([&](EntryKeyResult r) { result = std::move(r); });
    return QTest::qWaitFor([&] { return result.has_value(); }, 15000) ? *result : EntryKeyResult{};
}

/** Loads (or makes) the key kept under `item`, or restores `typed` there when given. */
EntryKeyResult keyFor(Keychain& keychain, EntryStore& store, std::shared_ptr<const EntryKey> typed = nullptr,
                      const KeychainItem& item = entryKeyItem)
{
    return waitFor([&](EntryKeyReply done) {
        typed ? restoreEntryKey(keychain, store, std::move(typed), std::move(done), item)
              : loadOrCreateEntryKey(keychain, store, std::move(done), item);
    });
}

// The tables and version as the first released journals wrote them, before key checks existed.
bool writeVersionOneJournal(const QString& path, const EntryKey& key)
{
    QByteArray sql = "PRAGMA journal_mode = WAL;"
                     "CREATE TABLE entries (id INTEGER PRIMARY KEY, date INTEGER, day_key TEXT, prompt_id TEXT,"
                     " category_raw TEXT, cipher_body BLOB, credited_words INTEGER NOT NULL DEFAULT 0);"
                     "CREATE TABLE displaced_bodies (id INTEGER PRIMARY KEY, entry_id INTEGER NOT NULL,"
                     " cipher_body BLOB NOT NULL, displaced_at INTEGER NOT NULL);"
                     "PRAGMA user_version = 1;";
    for (int i = 1; i <= 3; ++i) {
        const QByteArray body = sealEntryText(QStringLiteral("entry number %1").arg(i), key).toHex();
        sql += "INSERT INTO entries VALUES (" + QByteArray::number(i) + ", "
            + QByteArray::number(1767268800000LL + i * 86400000LL) + ", '2026-01-0" + QByteArray::number(i)
            + "', 'freeform', 'freeform', X'" + body + "', 3);";
    }
    return runSql(path, sql);
}

const char* const kEntryRows = "SELECT group_concat(row, '|') FROM (SELECT id || ',' || date || ',' || day_key || ','"
                               " || prompt_id || ',' || category_raw || ',' || hex(cipher_body) || ',' ||"
                               " credited_words AS row FROM entries ORDER BY id)";

template <typename Error, typename Call> std::optional<typename Error::Kind> errorOf(Call call)
{
    try {
        call();
    } catch (const Error& error) {
        return error.kind();
    }
    return std::nullopt;
}

const QString kSecrets = QStringLiteral("org.freedesktop.secrets");
const QString kSecretsPath = QStringLiteral("/org/freedesktop/secrets");

/** The test session's own keyring is the only one these tests may touch. */
bool insideTestSession()
{
    return !qEnvironmentVariableIsEmpty("WENDLE_TEST_USER");
}

/** Calls `method` on the keyring's object at `path`; the reply, or the error. */
QDBusMessage secrets(const char* interface, const char* method, const QVariantList& arguments,
                     const QString& path = kSecretsPath)
{
    QDBusMessage call
        = QDBusMessage::createMethodCall(kSecrets, path, QString::fromLatin1(interface), QString::fromLatin1(method));
    call.setArguments(arguments);
    return QDBusConnection::sessionBus().call(call);
}

/** What the keyring holds under a service, as its own tool lists it. Holds secrets: never print it. */
QByteArray listing(const QString& service)
{
    QProcess tool;
    tool.start(QStringLiteral("secret-tool"),
               {QStringLiteral("search"), QStringLiteral("--all"), QStringLiteral("server"), service});
    tool.waitForFinished(20000);
    return tool.readAllStandardOutput() + tool.readAllStandardError();
}

/**
 * A collection of the test's own in the session's keyring, with a password the test knows, so it can be
 * locked and unlocked again without a prompt (the test session has no prompter).
 */
class TestCollection
{
public:
    TestCollection()
    {
        const QDBusMessage opened = secrets("org.freedesktop.Secret.Service", "OpenSession",
                                            {QStringLiteral("plain"), QVariant::fromValue(QDBusVariant(QString()))});
        m_session = qdbus_cast<QDBusObjectPath>(opened.arguments().value(1));
        const QVariantMap label{
            {QStringLiteral("org.freedesktop.Secret.Collection.Label"), QStringLiteral("wendle-test")}};
        const QDBusMessage created = secrets(kAdmin, "CreateWithMasterPassword", {label, password()});
        m_path = qdbus_cast<QDBusObjectPath>(created.arguments().value(0)).path();
    }
    ~TestCollection()
    {
        if (!m_path.isEmpty()) {
            unlock();
            secrets("org.freedesktop.Secret.Collection", "Delete", {}, m_path);
        }
    }

    QString path() const { return m_path; }

    bool lock() const
    {
        const QVariant paths = QVariant::fromValue(QList<QDBusObjectPath>{QDBusObjectPath(m_path)});
        return secrets("org.freedesktop.Secret.Service", "Lock", {paths}).type() == QDBusMessage::ReplyMessage;
    }

    bool unlock() const
    {
        const QVariantList arguments{QVariant::fromValue(QDBusObjectPath(m_path)), password()};
        return secrets(kAdmin, "UnlockWithMasterPassword", arguments).type() == QDBusMessage::ReplyMessage;
    }

private:
    static constexpr const char* kAdmin = "org.gnome.keyring.InternalUnsupportedGuiltRiddenInterface";

    /** The collection's password as the Secret Service passes a secret: (session, parameters, value, type). */
    QVariant password() const
    {
        QDBusArgument secret;
        secret.beginStructure();
        secret << m_session << QByteArray() << QByteArrayLiteral("wendle-test-collection")
               << QStringLiteral("text/plain");
        secret.endStructure();
        return QVariant::fromValue(secret);
    }

    QDBusObjectPath m_session;
    QString m_path;
};

/** Stores `data` as Wendle stores a key, but into `collection`. */
bool storeInCollection(const QString& collection, const KeychainItem& item, const QByteArray& data)
{
    QProcess tool;
    tool.start(QStringLiteral("secret-tool"),
               {QStringLiteral("store"), QStringLiteral("--collection=") + collection, QStringLiteral("--label=test"),
                QStringLiteral("server"), item.service, QStringLiteral("user"), item.account, QStringLiteral("type"),
                QStringLiteral("base64")});
    tool.waitForStarted();
    tool.write(data.toBase64());
    tool.closeWriteChannel();
    return tool.waitForFinished(20000) && tool.exitCode() == 0;
}

} // namespace

class TestEntryKeyStore : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanupTestCase();
    void aNewJournalGetsOneKeyAndKeychainFailuresFailTheUnlock();
    void aJournalThatHadAKeyNeverGetsANewOne();
    void versionOneJournalGainsItsCheckAtUnlock();
    void recoveryCodeRoundTripAndTypos();
    void restoreAndReplaceKeepTheOldItems();
    void joiningAnotherJournal();
    void sealing();
    void keyLivesInTheKeyring();
    void otherCollections();

private:
    const QString m_service = QStringLiteral("org.wendle.Wendle.test-") + QUuid::createUuid().toString(QUuid::Id128);
    const KeychainItem m_item{m_service, entryKeyItem.account};
};

void TestEntryKeyStore::aNewJournalGetsOneKeyAndKeychainFailuresFailTheUnlock()
{
    TempJournal journal;
    InMemoryKeychain keychain;
    const EntryKeyResult first = keyFor(keychain, *journal.store);
    QVERIFY(first.key);
    QVERIFY(first.created);
    QCOMPARE(keychain.stored(entryKeyItem), keyBytes(*first.key));
    QCOMPARE(journal.store->keyChecks().size(), std::size_t(1));

    const EntryKeyResult second = keyFor(keychain, *journal.store);
    QCOMPARE(keyBytes(*second.key), keyBytes(*first.key));
    QVERIFY(!second.created);
    QCOMPARE(keychain.addCount(), 1);
    QCOMPARE(journal.store->keyChecks().size(), std::size_t(1));

    // A keychain that fails fails the unlock, and nothing is made.
    TempJournal fresh;
    InMemoryKeychain addFails;
    addFails.failAdds(KeychainStatus::Duplicate);
    EntryKeyResult result = keyFor(addFails, *fresh.store);
    QVERIFY(!result.key);
    QCOMPARE(result.error, EntryCryptoError::keychainStatus(KeychainStatus::Duplicate));
    QVERIFY(fresh.store->keyChecks().empty());

    for (const KeychainStatus status :
         {KeychainStatus::Cancelled, KeychainStatus::Locked, KeychainStatus::Unavailable}) {
        InMemoryKeychain lookupFails;
        lookupFails.failLookups(status);
        result = keyFor(lookupFails, *fresh.store);
        QCOMPARE(result.error, EntryCryptoError::keychainStatus(status));
        QCOMPARE(result.problem, KeyProblem::keyringUnavailable);
        QCOMPARE(lookupFails.addCount(), 0);
    }

    // An item that is not a key is left as it is.
    for (const QByteArray& stored : {QByteArray(31, 'k'), QByteArray(33, 'k'), QByteArray()}) {
        InMemoryKeychain odd;
        odd.store(entryKeyItem, stored);
        result = keyFor(odd, *fresh.store);
        QVERIFY(!result.key);
        QCOMPARE(result.problem, KeyProblem::keyMismatch);
        QCOMPARE(odd.stored(entryKeyItem), stored);
        QCOMPARE(odd.addCount(), 0);
    }
}

void TestEntryKeyStore::aJournalThatHadAKeyNeverGetsANewOne()
{
    // The keychain has no key (a locked collection answers so through some libraries) or another one, for a
    // journal with entries, with only a key check left, or from before key checks: nothing is made or written.
    const std::tuple<bool, bool, bool, KeyProblem> cases[] // entries, a key check, a foreign key; what is said
        = {{true, false, false, KeyProblem::keyMissing},
           {false, true, false, KeyProblem::keyMissing},
           {true, true, true, KeyProblem::keyMismatch},
           {true, false, true, KeyProblem::keyMismatch}};
    for (const auto& [entries, check, foreign, problem] : cases) {
        TempJournal journal;
        if (entries) {
            journal.add(QStringLiteral("2026-12-01"), QStringLiteral("freeform"), QStringLiteral("kept words"));
            QVERIFY(journal.store->save());
        }
        if (check) {
            QVERIFY(journal.store->addKeyCheck(sealKeyCheck(*journal.key)));
        }
        const QByteArray before = fileBytes(journal.store->path());
        InMemoryKeychain keychain;
        const QByteArray other = keyBytes(*EntryKey::random());
        if (foreign) {
            keychain.store(entryKeyItem, other);
        }

        const EntryKeyResult result = keyFor(keychain, *journal.store);
        QVERIFY(!result.key);
        QCOMPARE(result.problem, problem);
        QCOMPARE(keychain.addCount(), 0);
        QCOMPARE(keychain.stored(entryKeyItem), foreign ? std::optional(other) : std::nullopt);
        QCOMPARE(fileBytes(journal.store->path()), before);
    }
}

void TestEntryKeyStore::versionOneJournalGainsItsCheckAtUnlock()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("journal.sqlite"));
    const auto key = EntryKey::random();
    QVERIFY(writeVersionOneJournal(path, *key));
    const QByteArray rowsBefore = querySql(path, kEntryRows);
    QCOMPARE(rowsBefore.count('|'), 2);

    QString error;
    auto store = EntryStore::open(path, &error);
    QVERIFY2(store, qPrintable(error));
    QCOMPARE(store->storedSchemaVersion(), 1);
    QVERIFY(store->keyChecks().empty());

    InMemoryKeychain keychain;
    keychain.store(entryKeyItem, keyBytes(*key));
    QVERIFY(keyFor(keychain, *store).key);
    QVERIFY(keyFor(keychain, *store).key);
    store.reset();

    store = EntryStore::open(path, &error);
    QVERIFY2(store, qPrintable(error));
    QCOMPARE(store->storedSchemaVersion(), EntryStore::schemaVersion);
    QCOMPARE(store->keyChecks().size(), std::size_t(1));
    QVERIFY(keyBelongsToJournal(*key, *store));
    QVERIFY(!keyBelongsToJournal(*EntryKey::random(), *store));
    store.reset();
    QCOMPARE(querySql(path, kEntryRows), rowsBefore);
}

void TestEntryKeyStore::recoveryCodeRoundTripAndTypos()
{
    const QByteArray key = keyBytes(*EntryKey::random());
    const QString code = formatRecoveryCode(key);
    // Its exact form is pinned by the documented example in TestFormats.
    const QString alphabet = QStringLiteral("0123456789ABCDEFGHJKMNPQRSTVWXYZ");
    QCOMPARE(parseRecoveryCode(code), key);
    // Lower case, spaces instead of hyphens and Crockford's look-alikes read the same.
    QCOMPARE(parseRecoveryCode(code.toLower().replace(u'-', u' ').replace(u'1', u'l').replace(u'0', u'o')), key);
    QVERIFY(!parseRecoveryCode(code.chopped(1)));
    QVERIFY(!parseRecoveryCode(code + u'0'));

    // Every single wrong character and every swap of two neighbours is caught.
    const QString plain = normalizedRecoveryCode(code);
    for (int i = 0; i < plain.size(); ++i) {
        QString typo = plain;
        for (const QChar other : alphabet) {
            typo[i] = other;
            QVERIFY2(other == plain[i] || !parseRecoveryCode(typo), qPrintable(typo));
        }
        QString swapped = plain;
        if (i + 1 < plain.size() && plain[i] != plain[i + 1]) {
            std::swap(swapped[i], swapped[i + 1]);
            QVERIFY2(!parseRecoveryCode(swapped), qPrintable(swapped));
        }
    }
}

void TestEntryKeyStore::restoreAndReplaceKeepTheOldItems()
{
    TempJournal journal;
    Entry* entry = journal.add(QStringLiteral("2026-12-01"), QStringLiteral("freeform"), QStringLiteral("mine"));
    QVERIFY(journal.store->addKeyCheck(sealKeyCheck(*journal.key)));
    QVERIFY(journal.store->save());
    const QByteArray oldBody = entry->cipherBody();
    const auto typed = EntryKey::fromBytes(*parseRecoveryCode(formatRecoveryCode(keyBytes(*journal.key))));
    InMemoryKeychain keychain;
    const QByteArray foreign = keyBytes(*EntryKey::random());
    keychain.store(entryKeyItem, foreign);

    // Another journal's code is refused without touching the keychain.
    EntryKeyResult result = keyFor(keychain, *journal.store, EntryKey::random());
    QCOMPARE(result.problem, KeyProblem::keyMismatch);
    QCOMPARE(keychain.addCount(), 0);

    // This journal's goes in, and the item it replaces is kept aside.
    result = keyFor(keychain, *journal.store, typed);
    QVERIFY(result.key);
    QCOMPARE(openEntryText(entry->cipherBody(), *result.key), QStringLiteral("mine"));
    QCOMPARE(keychain.stored(entryKeyItem), keyBytes(*journal.key));
    QStringList accounts = keychain.accounts(entryKeyItem.service);
    QCOMPARE(accounts.size(), 2);
    QVERIFY(accounts[1].startsWith(QStringLiteral("entry-encryption-key.replaced-")));
    QCOMPARE(keychain.stored({entryKeyItem.service, accounts[1]}), foreign);
    QVERIFY(keyFor(keychain, *journal.store).key);

    // With nothing in the keychain the code simply goes back in.
    InMemoryKeychain empty;
    QVERIFY(keyFor(empty, *journal.store, typed).key);
    QCOMPARE(empty.accounts(entryKeyItem.service), QStringList{entryKeyItem.account});

    // A new key leaves every old body and check as it is, and keeps the old item aside as well.
    std::optional<EntryKeyResult> replaced;
    replaceEntryKey(keychain, *journal.store, [&](EntryKeyResult r) { replaced = std::move(r); });
    QVERIFY(replaced && replaced->key && replaced->created);
    QCOMPARE(keychain.stored(entryKeyItem), keyBytes(*replaced->key));
    QCOMPARE(keychain.accounts(entryKeyItem.service).size(), 3);
    QCOMPARE(entry->cipherBody(), oldBody);
    QCOMPARE(journal.store->keyChecks().size(), std::size_t(2));
    QVERIFY(keyFor(keychain, *journal.store).key);

    // The old code is still recognised, and opens the old entry again.
    result = keyFor(keychain, *journal.store, typed);
    QVERIFY(result.key);
    QCOMPARE(openEntryText(entry->cipherBody(), *result.key), QStringLiteral("mine"));
    QCOMPARE(keychain.accounts(entryKeyItem.service).size(), 4);
}

void TestEntryKeyStore::joiningAnotherJournal()
{
    // A fresh journal has a key of its own, and its check, before its user joins the other computer's journal.
    TempJournal journal;
    InMemoryKeychain keychain;
    const EntryKeyResult own = keyFor(keychain, *journal.store);
    QVERIFY(own.key && own.created);
    std::shared_ptr<const EntryKey> current = own.key;
    const auto join = [&](std::shared_ptr<const EntryKey> key) {
        const EntryKeyResult result = waitFor(
            [&](EntryKeyReply done) { joinEntryKey(keychain, *journal.store, key, current, std::move(done)); });
        current = result.key ? result.key : current;
        return result;
    };

    const auto other = EntryKey::random();
    const EntryKeyResult joined = join(other);
    QVERIFY(joined.key);
    QCOMPARE(keychain.stored(entryKeyItem), keyBytes(*other));
    const QStringList accounts = keychain.accounts(entryKeyItem.service);
    QCOMPARE(accounts.size(), 2);
    QCOMPARE(keychain.stored({entryKeyItem.service, accounts[1]}), keyBytes(*own.key));
    // The next unlock finds the joined key this journal's own, and the code of its first key no longer passes.
    const EntryKeyResult next = keyFor(keychain, *journal.store);
    QVERIFY(next.key && !next.created && next.problem == KeyProblem::none);
    QVERIFY(!keyBelongsToJournal(*own.key, *journal.store));

    // A journal with writing joins a third journal: every text it holds is sealed again under that key, earlier
    // versions and own words included, and its old key no longer passes for this journal's.
    Entry* entry = journal.add(QStringLiteral("2026-12-08"), QStringLiteral("freeform"), QStringLiteral("first"), -1,
                               {}, current.get());
    QVERIFY(journal.store->save());
    journal.store->replaceBody(entry, sealEntryText(QStringLiteral("second"), *current), *current);
    QVERIFY(journal.store->save());
    QVERIFY(journal.store->addOwnWord(sealEntryText(QStringLiteral("Wendle"), *current)));
    const auto third = EntryKey::random();
    const auto opensAll = [&](const EntryKey& key) {
        const std::vector<EntryStore::Version> versions = journal.store->versions(*entry);
        return versions.size() == 1 && opensUnder(*journal.store->versionBody(versions[0].id), key)
            && openEntryText(entry->cipherBody(), key) == QStringLiteral("second")
            && openEntryText(journal.store->sealedOwnWords()[0], key) == QStringLiteral("Wendle")
            && keyBelongsToJournal(key, *journal.store);
    };
    QVERIFY(opensAll(*other));

    // The keyring refuses the key: the journal is sealed back under the key it still holds.
    keychain.failLookups(KeychainStatus::Locked);
    QCOMPARE(join(third).problem, KeyProblem::keyringUnavailable);
    QVERIFY(opensAll(*other));
    keychain.failLookups(KeychainStatus::Success);

    QVERIFY(join(third).key);
    QVERIFY(opensAll(*third));
    QVERIFY(!keyBelongsToJournal(*other, *journal.store));
    QCOMPARE(keychain.stored(entryKeyItem), keyBytes(*third));
    // What is in the file, not only in memory, opens under the joined key.
    journal.store.reset();
    QString error;
    const auto reopened = EntryStore::open(journal.dir.filePath(QStringLiteral("journal.sqlite")), &error);
    QVERIFY2(reopened, qPrintable(error));
    QCOMPARE(openEntryText(reopened->entries()[0]->cipherBody(), *third), QStringLiteral("second"));
    QVERIFY(keyFor(keychain, *reopened).key);
}

void TestEntryKeyStore::sealing()
{
    const auto key = EntryKey::random();
    // The layout itself is pinned by the documented example in TestFormats.
    for (const QString& text : {QString(), QStringLiteral("gl\u00FCck \U0001F600\U0001F468\u200D\U0001F469 \U00020BB7"),
                                QStringLiteral("\uFEFFx"), QString(65536, u'x')}) {
        QCOMPARE(openEntryText(sealEntryText(text, *key), *key), text);
    }

    const QByteArray body = sealEntryText(QStringLiteral("private"), *key);
    const auto openError = [&](const QByteArray& sealed, const EntryKey& under) {
        return errorOf<CipherError>([&] { openEntryText(sealed, under); });
    };
    // One byte short of a nonce and a tag; any flipped or missing byte; another key.
    QCOMPARE(openError(QByteArray(27, 'a'), *key), CipherError::Kind::incorrectParameterSize);
    for (const qsizetype position : {qsizetype(0), qsizetype(14), body.size() - 1}) {
        QByteArray flipped = body;
        flipped[position] = static_cast<char>(flipped.at(position) ^ 0x01);
        QCOMPARE(openError(flipped, *key), CipherError::Kind::authenticationFailure);
    }
    QCOMPARE(openError(body.chopped(1), *key), CipherError::Kind::authenticationFailure);
    QCOMPARE(openError(body, *EntryKey::random()), CipherError::Kind::authenticationFailure);
    // Every seal draws a fresh nonce.
    QVERIFY(sealEntryText(QStringLiteral("private"), *key).left(12) != body.left(12));

    // Invalid UTF-8, which Wendle never seals but a damaged or foreign body may hold, opens as replacement characters.
    const QByteArray nonce(12, '\x07');
    const QByteArray invalid("ok \xFF end \xC3", 10);
    QByteArray sealed(invalid.size() + 16, '\0');
    QVERIFY(AesGcm({key->data(), EntryKey::size})
                .seal(byteSpan(nonce).first<12>(), {}, byteSpan(invalid), writableByteSpan(sealed)));
    QCOMPARE(openEntryText(nonce + sealed, *key), QStringLiteral("ok \uFFFD end \uFFFD"));

    // A key of the wrong size is the cipher's own error, on both sealing and opening.
    const auto shortKey = EntryKey::fromBytes(QByteArray(16, '\x01'));
    QCOMPARE(errorOf<CipherError>([&] { sealEntryText(QStringLiteral("x"), *shortKey); }),
             CipherError::Kind::incorrectKeySize);
    QCOMPARE(openError(body, *shortKey), CipherError::Kind::incorrectKeySize);
}

void TestEntryKeyStore::cleanupTestCase()
{
    if (!insideTestSession()) {
        return;
    }
    // Every item the tests made, whether they passed or not.
    for (const char* suffix : {"", ".locked", ".restore"}) {
        const QString service = m_service + QLatin1String(suffix);
        // Clearing what is already gone fails; the listing says whether anything is left.
        QProcess::execute(QStringLiteral("secret-tool"), {QStringLiteral("clear"), QStringLiteral("server"), service});
        QVERIFY(listing(service).trimmed().isEmpty());
    }
}

void TestEntryKeyStore::keyLivesInTheKeyring()
{
    QVERIFY2(
        insideTestSession() && QDBusConnection::sessionBus().interface()->isServiceRegistered(kSecrets),
        "needs the test session's Secret Service: run inside scripts/test-session.sh, never with your own keyring");
    SecretServiceKeychain keychain;
    TempJournal journal;
    EntryKeyResult first = keyFor(keychain, *journal.store, nullptr, m_item);
    QVERIFY2(first.key, first.error ? first.error->what() : "no answer");
    const SecretSearch<EntryKey::size> search(first.key->data());
    EntryKeyResult second = keyFor(keychain, *journal.store, nullptr, m_item);
    QVERIFY(second.key);
    QVERIFY2(sameKey(*second.key, *first.key), "a second load made another key");

    QVERIFY(listing(m_service).contains("entry-encryption-key"));

    // Adding never replaces an item that is there.
    std::optional<KeychainStatus> added;
    keychain.add(m_item, QByteArray(32, 'x'), [&](KeychainStatus status) { added = status; });
    QTRY_VERIFY_WITH_TIMEOUT(added.has_value(), 15000);
    QCOMPARE(*added, KeychainStatus::Duplicate);
    EntryKeyResult third = keyFor(keychain, *journal.store, nullptr, m_item);
    QVERIFY2(third.key && sameKey(*third.key, *first.key), "adding replaced the key");

    // Once the last reference goes, as at a lock, no copy of the key is left in memory, used or not.
    const QString text = QStringLiteral("sealed and opened");
    QCOMPARE(openEntryText(sealEntryText(text, *third.key), *second.key), text);
    QVERIFY(search.foundInMemory());
    for (EntryKeyResult* result : {&first, &second, &third}) {
        result->key.reset();
    }
    QVERIFY2(!search.foundInMemory(), "a copy of the key outlived it");
}

void TestEntryKeyStore::otherCollections()
{
    QVERIFY2(insideTestSession(), "runs only inside scripts/test-session.sh: elsewhere it would use your own keyring");
    TestCollection collection;
    QVERIFY2(!collection.path().isEmpty(), "could not make a collection of the test's own");
    SecretServiceKeychain keychain;
    const KeychainItem item{m_service + QStringLiteral(".locked"), entryKeyItem.account};
    TempJournal journal;
    journal.add(QStringLiteral("2026-12-01"), QStringLiteral("freeform"), QStringLiteral("mine"));
    QVERIFY(journal.store->addKeyCheck(sealKeyCheck(*journal.key)));
    QVERIFY(journal.store->save());
    QVERIFY(storeInCollection(collection.path(), item, keyBytes(*journal.key)));
    QVERIFY(collection.lock());
    const QByteArray listedBefore = listing(item.service);
    QCOMPARE(listedBefore.count("attribute.user = entry-encryption-key"), 1);
    const QByteArray journalBefore = fileBytes(journal.store->path());

    // Locked, and no prompter to unlock it: refused, for a journal with entries and for an empty one alike.
    TempJournal empty;
    for (EntryStore* store : {journal.store.get(), empty.store.get()}) {
        const EntryKeyResult result = keyFor(keychain, *store, nullptr, item);
        QVERIFY(!result.key);
        QCOMPARE(result.problem, KeyProblem::keyringUnavailable);
        QCOMPARE(result.error, EntryCryptoError::keychainStatus(KeychainStatus::Locked));
    }
    QCOMPARE(listing(item.service), listedBefore);
    QVERIFY(fileBytes(journal.store->path()) == journalBefore);
    QVERIFY(collection.unlock());
    const EntryKeyResult unlocked = keyFor(keychain, *journal.store, nullptr, item);
    QVERIFY2(unlocked.key && sameKey(*unlocked.key, *journal.key), "the unlocked keyring gave another key");

    // Another journal's key there: the recovery code's key takes its place in that collection, and the other
    // is kept aside.
    const KeychainItem restored{m_service + QStringLiteral(".restore"), entryKeyItem.account};
    const auto foreign = EntryKey::random();
    QVERIFY(storeInCollection(collection.path(), restored, keyBytes(*foreign)));
    const auto typed = EntryKey::fromBytes(*parseRecoveryCode(formatRecoveryCode(keyBytes(*journal.key))));
    QVERIFY(keyFor(keychain, *journal.store, typed, restored).key);
    const EntryKeyResult loaded = keyFor(keychain, *journal.store, nullptr, restored);
    QVERIFY(loaded.key && sameKey(*loaded.key, *journal.key));

    const QByteArray listed = listing(restored.service);
    QVERIFY2(listed.count("\nattribute.user = entry-encryption-key\n") == 1,
             "a second item of the key's name was made beside the first");
    const qsizetype at = listed.indexOf("attribute.user = entry-encryption-key.replaced-");
    QVERIFY2(at >= 0, "the replaced key was not kept");
    const QString kept = QString::fromUtf8(listed.mid(at + 17, listed.indexOf('\n', at) - at - 17));
    std::optional<QByteArray> keptBytes;
    keychain.lookup({restored.service, kept}, [&](KeychainStatus, std::optional<QByteArray> data) {
        // A copy of its own: the keychain wipes what it handed over once this returns.
        keptBytes = data ? QByteArray(data->constData(), data->size()) : QByteArray();
    });
    QTRY_VERIFY_WITH_TIMEOUT(keptBytes.has_value(), 15000);
    QVERIFY2(*keptBytes == keyBytes(*foreign), "the kept item does not hold the replaced key");
}

QTEST_GUILESS_MAIN(TestEntryKeyStore)
#include "TestEntryKeyStore.moc"
