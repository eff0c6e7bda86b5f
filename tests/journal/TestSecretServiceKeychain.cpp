// SPDX-License-Identifier: GPL-3.0-or-later
#include "journal/EntryKeyStore.h"
#include "journal/RecoveryCode.h"
#include "journal/SecretServiceKeychain.h"

#include "ProcessMemory.h"
#include "TempJournal.h"

#include <QCoreApplication>
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

const QString kSecrets = QStringLiteral("org.freedesktop.secrets");
const QString kSecretsPath = QStringLiteral("/org/freedesktop/secrets");

/** The test session's own keyring is the only one these tests may touch. */
bool insideTestSession()
{
    return !qEnvironmentVariableIsEmpty("WENDLE_TEST_USER");
}

/** Waits on the event loop for the keyring's asynchronous answer. */
template <typename Call> EntryKeyResult waitFor(Call call)
{
    std::optional<EntryKeyResult> result;
    call([&](EntryKeyResult r) { result = std::move(r); });
    return QTest::qWaitFor([&] { return result.has_value(); }, 15000) ? *result : EntryKeyResult{};
}

/** Loads (or makes) the key kept under the test's own item. */
EntryKeyResult load(SecretServiceKeychain& keychain, EntryStore& store, const KeychainItem& item)
{
    return waitFor([&](EntryKeyReply done) { loadOrCreateEntryKey(keychain, store, std::move(done), item); });
}

/** A call to the keyring's object at `path`. */
QDBusMessage secretsCall(const QString& interface, const QString& method, const QString& path = kSecretsPath)
{
    return QDBusMessage::createMethodCall(kSecrets, path, interface, method);
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
        QDBusMessage open
            = secretsCall(QStringLiteral("org.freedesktop.Secret.Service"), QStringLiteral("OpenSession"));
        open << QStringLiteral("plain") << QVariant::fromValue(QDBusVariant(QString()));
        const QDBusMessage opened = QDBusConnection::sessionBus().call(open);
        if (opened.arguments().size() == 2) {
            m_session = qdbus_cast<QDBusObjectPath>(opened.arguments().at(1));
        }
        QDBusMessage create = adminCall(QStringLiteral("CreateWithMasterPassword"));
        create << QVariantMap{{QStringLiteral("org.freedesktop.Secret.Collection.Label"),
                               QStringLiteral("wendle-test")}}
               << password();
        const QDBusMessage created = QDBusConnection::sessionBus().call(create);
        if (!created.arguments().isEmpty()) {
            m_path = qdbus_cast<QDBusObjectPath>(created.arguments().at(0)).path();
        }
    }
    ~TestCollection()
    {
        if (!m_path.isEmpty()) {
            unlock();
            QDBusConnection::sessionBus().call(
                secretsCall(QStringLiteral("org.freedesktop.Secret.Collection"), QStringLiteral("Delete"), m_path));
        }
    }

    QString path() const { return m_path; }

    bool lock() const
    {
        QDBusMessage call = secretsCall(QStringLiteral("org.freedesktop.Secret.Service"), QStringLiteral("Lock"));
        call << QVariant::fromValue(QList<QDBusObjectPath>{QDBusObjectPath(m_path)});
        return QDBusConnection::sessionBus().call(call).type() == QDBusMessage::ReplyMessage;
    }

    bool unlock() const
    {
        QDBusMessage call = adminCall(QStringLiteral("UnlockWithMasterPassword"));
        call << QVariant::fromValue(QDBusObjectPath(m_path)) << password();
        return QDBusConnection::sessionBus().call(call).type() == QDBusMessage::ReplyMessage;
    }

private:
    static QDBusMessage adminCall(const QString& method)
    {
        return secretsCall(QStringLiteral("org.gnome.keyring.InternalUnsupportedGuiltRiddenInterface"), method);
    }
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

class TestSecretServiceKeychain : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void keyLivesInTheKeyring();
    void otherCollections();

private:
    const QString m_service = QStringLiteral("org.wendle.Wendle.test-") + QUuid::createUuid().toString(QUuid::Id128);
    const KeychainItem m_item{m_service, entryKeyItem.account};
};

void TestSecretServiceKeychain::initTestCase()
{
    QVERIFY2(insideTestSession(), "runs only inside scripts/test-session.sh: elsewhere it would use your own keyring");
    QDBusConnectionInterface* bus = QDBusConnection::sessionBus().interface();
    QVERIFY2(bus && bus->isServiceRegistered(kSecrets), "needs a Secret Service: run inside scripts/test-session.sh");
}

void TestSecretServiceKeychain::cleanupTestCase()
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

void TestSecretServiceKeychain::keyLivesInTheKeyring()
{
    SecretServiceKeychain keychain;
    TempJournal journal;
    EntryKeyResult first = load(keychain, *journal.store, m_item);
    QVERIFY2(first.key, first.error ? first.error->what() : "no answer");
    const SecretSearch<EntryKey::size> search(first.key->data());
    EntryKeyResult second = load(keychain, *journal.store, m_item);
    QVERIFY(second.key);
    QVERIFY2(sameKey(*second.key, *first.key), "a second load made another key");

    QVERIFY(listing(m_service).contains("entry-encryption-key"));

    // Adding never replaces an item that is there.
    std::optional<KeychainStatus> added;
    keychain.add(m_item, QByteArray(32, 'x'), [&](KeychainStatus status) { added = status; });
    QTRY_VERIFY_WITH_TIMEOUT(added.has_value(), 15000);
    QCOMPARE(*added, KeychainStatus::Duplicate);
    EntryKeyResult third = load(keychain, *journal.store, m_item);
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

void TestSecretServiceKeychain::otherCollections()
{
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
        const EntryKeyResult result = load(keychain, *store, item);
        QVERIFY(!result.key);
        QCOMPARE(result.problem, KeyProblem::keyringUnavailable);
        QCOMPARE(result.error, EntryCryptoError::keychainStatus(KeychainStatus::Locked));
    }
    QCOMPARE(listing(item.service), listedBefore);
    QVERIFY(fileBytes(journal.store->path()) == journalBefore);
    QVERIFY(collection.unlock());
    const EntryKeyResult unlocked = load(keychain, *journal.store, item);
    QVERIFY2(unlocked.key && sameKey(*unlocked.key, *journal.key), "the unlocked keyring gave another key");

    // Another journal's key there: the recovery code's key takes its place in that collection, and the other
    // is kept aside.
    const KeychainItem restored{m_service + QStringLiteral(".restore"), entryKeyItem.account};
    const auto foreign = EntryKey::random();
    QVERIFY(storeInCollection(collection.path(), restored, keyBytes(*foreign)));
    const auto typed = EntryKey::fromBytes(*parseRecoveryCode(formatRecoveryCode(keyBytes(*journal.key))));
    QVERIFY(waitFor([&](EntryKeyReply done) {
                restoreEntryKey(keychain, *journal.store, typed, std::move(done), restored);
            }).key);
    const EntryKeyResult loaded = load(keychain, *journal.store, restored);
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

QTEST_GUILESS_MAIN(TestSecretServiceKeychain)
#include "TestSecretServiceKeychain.moc"
