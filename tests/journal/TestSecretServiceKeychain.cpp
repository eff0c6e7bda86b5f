// SPDX-License-Identifier: GPL-3.0-or-later
#include "journal/EntryKeyStore.h"
#include "journal/RecoveryCode.h"
#include "journal/SecretServiceKeychain.h"

#include "TempJournal.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QFile>
#include <QProcess>
#include <QTest>
#include <QUuid>

#include <cstring>

using namespace wendle;

namespace {

const char* const kOpenWithStoredKey = "--open-with-stored-key";

/** The test session's own keyring is the only one these tests may touch. */
bool insideTestSession()
{
    return !qEnvironmentVariableIsEmpty("WENDLE_TEST_USER");
}

/** The real keyring, with every item kept under a service of the test's own instead of Wendle's. */
class TestServiceKeychain final : public Keychain
{
public:
    explicit TestServiceKeychain(QString service)
        : m_service(std::move(service))
    {
    }
    void lookup(const KeychainItem& item, LookupReply reply) override
    {
        m_keyring.lookup({m_service, item.account}, std::move(reply));
    }
    void add(const KeychainItem& item, const QByteArray& data, WriteReply reply) override
    {
        m_keyring.add({m_service, item.account}, data, std::move(reply));
    }
    void write(const KeychainItem& item, const QByteArray& data, WriteReply reply) override
    {
        m_keyring.write({m_service, item.account}, data, std::move(reply));
    }

private:
    QString m_service;
    SecretServiceKeychain m_keyring;
};

// Waits on the event loop for the keyring's asynchronous answer.
EntryKeyResult loadFromKeyring(const QString& service)
{
    TestServiceKeychain keychain(service);
    test::TempJournal journal;
    std::optional<EntryKeyResult> result;
    loadOrCreateEntryKey(keychain, *journal.store, [&](EntryKeyResult r) { result = std::move(r); });
    QElapsedTimer timer;
    timer.start();
    while (!result && timer.elapsed() < 15000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    return result.value_or(EntryKeyResult{nullptr, EntryCryptoError::keychainStatus(KeychainStatus::notAvailable)});
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

/** A secret as the Secret Service passes it: (session, parameters, value, content type). */
struct SecretStruct
{
    QDBusObjectPath session;
    QByteArray parameters;
    QByteArray value;
    QString contentType;
};

QDBusArgument& operator<<(QDBusArgument& argument, const SecretStruct& secret)
{
    argument.beginStructure();
    argument << secret.session << secret.parameters << secret.value << secret.contentType;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, SecretStruct& secret)
{
    argument.beginStructure();
    argument >> secret.session >> secret.parameters >> secret.value >> secret.contentType;
    argument.endStructure();
    return argument;
}

} // namespace

Q_DECLARE_METATYPE(SecretStruct)

namespace {

const QString kSecrets = QStringLiteral("org.freedesktop.secrets");
const QString kKeyringAdmin = QStringLiteral("org.gnome.keyring.InternalUnsupportedGuiltRiddenInterface");

/**
 * A collection of the test's own in the session's keyring, with a password the test knows, so it can be
 * locked and unlocked again without a prompt (the test session has no prompter).
 */
class TestCollection
{
public:
    TestCollection()
    {
        qDBusRegisterMetaType<SecretStruct>();
        QDBusMessage open = QDBusMessage::createMethodCall(kSecrets, QStringLiteral("/org/freedesktop/secrets"),
                                                           QStringLiteral("org.freedesktop.Secret.Service"),
                                                           QStringLiteral("OpenSession"));
        open << QStringLiteral("plain") << QVariant::fromValue(QDBusVariant(QString()));
        const QDBusMessage opened = QDBusConnection::sessionBus().call(open);
        if (opened.arguments().size() == 2) {
            m_session = qdbus_cast<QDBusObjectPath>(opened.arguments().at(1));
        }
        QDBusMessage create = adminCall(QStringLiteral("CreateWithMasterPassword"));
        create << QVariantMap{{QStringLiteral("org.freedesktop.Secret.Collection.Label"),
                               QStringLiteral("wendle-test")}}
               << QVariant::fromValue(password());
        const QDBusMessage created = QDBusConnection::sessionBus().call(create);
        if (!created.arguments().isEmpty()) {
            m_path = qdbus_cast<QDBusObjectPath>(created.arguments().at(0)).path();
        }
    }
    ~TestCollection()
    {
        if (!m_path.isEmpty()) {
            unlock();
            QDBusConnection::sessionBus().call(QDBusMessage::createMethodCall(
                kSecrets, m_path, QStringLiteral("org.freedesktop.Secret.Collection"), QStringLiteral("Delete")));
        }
    }

    QString path() const { return m_path; }

    bool lock() const
    {
        QDBusMessage call
            = QDBusMessage::createMethodCall(kSecrets, QStringLiteral("/org/freedesktop/secrets"),
                                             QStringLiteral("org.freedesktop.Secret.Service"), QStringLiteral("Lock"));
        call << QVariant::fromValue(QList<QDBusObjectPath>{QDBusObjectPath(m_path)});
        return QDBusConnection::sessionBus().call(call).type() == QDBusMessage::ReplyMessage;
    }

    bool unlock() const
    {
        QDBusMessage call = adminCall(QStringLiteral("UnlockWithMasterPassword"));
        call << QVariant::fromValue(QDBusObjectPath(m_path)) << QVariant::fromValue(password());
        return QDBusConnection::sessionBus().call(call).type() == QDBusMessage::ReplyMessage;
    }

private:
    static QDBusMessage adminCall(const QString& method)
    {
        return QDBusMessage::createMethodCall(kSecrets, QStringLiteral("/org/freedesktop/secrets"), kKeyringAdmin,
                                              method);
    }
    SecretStruct password() const
    {
        return {m_session, {}, QByteArrayLiteral("wendle-test-collection"), QStringLiteral("text/plain")};
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

template <typename Call> EntryKeyResult waitFor(Call call)
{
    std::optional<EntryKeyResult> result;
    call([&](EntryKeyResult r) { result = std::move(r); });
    QElapsedTimer timer;
    timer.start();
    while (!result && timer.elapsed() < 15000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    return result.value_or(EntryKeyResult{});
}

QByteArray bytesOf(const EntryKey& key)
{
    return QByteArray(reinterpret_cast<const char*>(key.data()), key.length());
}

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestSecretServiceKeychain : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void keyLivesInTheKeyring();
    void addNeverReplacesAnItem();
    void aLockedKeyringIsNeverANewKey();
    void aForeignKeyIsRefusedAndRestoreKeepsIt();

private:
    const QString m_service = QStringLiteral("org.wendle.Wendle.test-") + QUuid::createUuid().toString(QUuid::Id128);
};

void TestSecretServiceKeychain::initTestCase()
{
    QVERIFY2(insideTestSession(), "runs only inside scripts/test-session.sh: elsewhere it would use your own keyring");
    QDBusConnectionInterface* bus = QDBusConnection::sessionBus().interface();
    QVERIFY2(bus && bus->isServiceRegistered(QStringLiteral("org.freedesktop.secrets")),
             "needs a Secret Service: run inside scripts/test-session.sh");
}

void TestSecretServiceKeychain::cleanupTestCase()
{
    if (!insideTestSession()) {
        return;
    }
    QCOMPARE(QProcess::execute(QStringLiteral("secret-tool"),
                               {QStringLiteral("clear"), QStringLiteral("server"), m_service}),
             0);
    QVERIFY(listing(m_service).trimmed().isEmpty());
}

void TestSecretServiceKeychain::keyLivesInTheKeyring()
{
    const EntryKeyResult first = loadFromKeyring(m_service);
    QVERIFY2(first.key, first.error ? first.error->what() : "no answer");
    QCOMPARE(first.key->length(), 32);
    const EntryKeyResult second = loadFromKeyring(m_service);
    QVERIFY(second.key);
    QVERIFY2(std::memcmp(second.key->data(), first.key->data(), 32) == 0, "a second load made another key");

    // Another process finds the same key through the same code: it opens what this one sealed.
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(),
                {QString::fromLatin1(kOpenWithStoredKey), m_service,
                 QString::fromLatin1(sealEntryText(QStringLiteral("sealed here"), *first.key).toBase64())});
    QVERIFY(child.waitForFinished(20000));
    QCOMPARE(child.readAllStandardOutput(), QByteArray("sealed here"));

    // The keyring's own tool finds the item under the service and Wendle's account.
    QVERIFY(listing(m_service).contains("entry-encryption-key"));
}

void TestSecretServiceKeychain::addNeverReplacesAnItem()
{
    TestServiceKeychain keychain(m_service);
    const KeychainItem item{QString(), QStringLiteral("replace-me")};
    std::optional<qint32> firstAdd;
    std::optional<qint32> secondAdd;
    keychain.add(item, QByteArray("first"), [&](qint32 status) {
        firstAdd = status;
        keychain.add(item, QByteArray("second"), [&](qint32 again) { secondAdd = again; });
    });
    QTRY_VERIFY_WITH_TIMEOUT(secondAdd.has_value(), 15000);
    QCOMPARE(*firstAdd, KeychainStatus::success);
    QCOMPARE(*secondAdd, KeychainStatus::duplicateItem);

    std::optional<QByteArray> stored;
    keychain.lookup(item, [&](qint32, std::optional<QByteArray> data) { stored = data.value_or(QByteArray("none")); });
    QTRY_VERIFY_WITH_TIMEOUT(stored.has_value(), 15000);
    QCOMPARE(*stored, QByteArray("first"));
}

void TestSecretServiceKeychain::aLockedKeyringIsNeverANewKey()
{
    TestCollection collection;
    QVERIFY2(!collection.path().isEmpty(), "could not make a collection of the test's own");
    SecretServiceKeychain keychain;
    const KeychainItem item{m_service + QStringLiteral(".locked"), entryKeyItem.account};
    test::TempJournal journal;
    journal.add(QStringLiteral("2026-12-01"), QStringLiteral("freeform"), QStringLiteral("written before"));
    QVERIFY(journal.store->save());
    QVERIFY(storeInCollection(collection.path(), item, bytesOf(*journal.key)));
    QVERIFY(collection.lock());
    const QByteArray listedBefore = listing(item.service);
    QCOMPARE(listedBefore.count("attribute.user = entry-encryption-key"), 1);
    const QByteArray journalBefore = fileBytes(journal.store->path());

    // Locked, and no prompter to unlock it: refused, for a journal with entries and for an empty one alike.
    test::TempJournal empty;
    for (EntryStore* store : {journal.store.get(), empty.store.get()}) {
        const EntryKeyResult result
            = waitFor([&](EntryKeyReply done) { loadOrCreateEntryKey(keychain, *store, std::move(done), item); });
        QVERIFY(!result.key);
        QCOMPARE(result.problem, KeyProblem::keyringUnavailable);
        QCOMPARE(result.error, EntryCryptoError::keychainStatus(KeychainStatus::interactionNotAllowed));
    }
    QCOMPARE(listing(item.service), listedBefore);
    QVERIFY(fileBytes(journal.store->path()) == journalBefore);

    QVERIFY(collection.unlock());
    const EntryKeyResult unlocked
        = waitFor([&](EntryKeyReply done) { loadOrCreateEntryKey(keychain, *journal.store, std::move(done), item); });
    QVERIFY(unlocked.key);
    QVERIFY2(bytesOf(*unlocked.key) == bytesOf(*journal.key), "the unlocked keyring gave another key");
    QCOMPARE(QProcess::execute(QStringLiteral("secret-tool"),
                               {QStringLiteral("clear"), QStringLiteral("server"), item.service}),
             0);
}

void TestSecretServiceKeychain::aForeignKeyIsRefusedAndRestoreKeepsIt()
{
    SecretServiceKeychain keychain;
    const KeychainItem item{m_service, entryKeyItem.account};
    const auto foreign = EntryKey::random();
    std::optional<qint32> written;
    keychain.write(item, bytesOf(*foreign), [&](qint32 status) { written = status; });
    QTRY_VERIFY_WITH_TIMEOUT(written.has_value(), 15000);
    QCOMPARE(*written, KeychainStatus::success);

    test::TempJournal journal;
    journal.add(QStringLiteral("2026-12-01"), QStringLiteral("freeform"), QStringLiteral("mine"));
    QVERIFY(journal.store->addKeyCheck(sealKeyCheck(*journal.key)));
    QVERIFY(journal.store->save());
    const QByteArray journalBefore = fileBytes(journal.store->path());
    EntryKeyResult result
        = waitFor([&](EntryKeyReply done) { loadOrCreateEntryKey(keychain, *journal.store, std::move(done), item); });
    QCOMPARE(result.problem, KeyProblem::keyMismatch);
    QVERIFY(fileBytes(journal.store->path()) == journalBefore);

    // The recovery code's key goes in; the foreign one is kept under an account of its own.
    const auto typed = EntryKey::fromBytes(*parseRecoveryCode(formatRecoveryCode(bytesOf(*journal.key))));
    result
        = waitFor([&](EntryKeyReply done) { restoreEntryKey(keychain, *journal.store, typed, std::move(done), item); });
    QVERIFY(result.key);
    result
        = waitFor([&](EntryKeyReply done) { loadOrCreateEntryKey(keychain, *journal.store, std::move(done), item); });
    QVERIFY(result.key);
    QVERIFY(bytesOf(*result.key) == bytesOf(*journal.key));
    const QByteArray listed = listing(m_service);
    const qsizetype at = listed.indexOf("attribute.user = entry-encryption-key.replaced-");
    QVERIFY2(at >= 0, "the replaced key was not kept");
    const QString kept = QString::fromUtf8(listed.mid(at + 17, listed.indexOf('\n', at) - at - 17));
    std::optional<QByteArray> keptBytes;
    keychain.lookup({m_service, kept},
                    [&](qint32, std::optional<QByteArray> data) { keptBytes = data.value_or(QByteArray()); });
    QTRY_VERIFY_WITH_TIMEOUT(keptBytes.has_value(), 15000);
    QVERIFY2(*keptBytes == bytesOf(*foreign), "the kept item does not hold the replaced key");
}

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc == 4 && std::strcmp(argv[1], kOpenWithStoredKey) == 0) {
        const EntryKeyResult result
            = insideTestSession() ? loadFromKeyring(QString::fromLatin1(argv[2])) : EntryKeyResult{};
        if (!result.key) {
            return 1;
        }
        try {
            fputs(qPrintable(openEntryText(QByteArray::fromBase64(argv[3]), *result.key)), stdout);
        } catch (const std::exception&) {
            return 1;
        }
        return 0;
    }
    TestSecretServiceKeychain test;
    return QTest::qExec(&test, argc, argv);
}

#include "TestSecretServiceKeychain.moc"
