// SPDX-License-Identifier: GPL-3.0-or-later
#include "journal/EntryKeyStore.h"
#include "journal/SecretServiceKeychain.h"

#include "TempJournal.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
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

} // namespace

class TestSecretServiceKeychain : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void keyLivesInTheKeyring();
    void addNeverReplacesAnItem();

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
