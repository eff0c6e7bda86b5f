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

const char* const kPrintKey = "--print-entry-key";

// Waits on the event loop for the keyring's asynchronous answer.
EntryKeyResult loadFromKeyring()
{
    SecretServiceKeychain keychain;
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

QByteArray hexOf(const EntryKey& key)
{
    return QByteArray(reinterpret_cast<const char*>(key.data()), key.length()).toHex();
}

} // namespace

class TestSecretServiceKeychain : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void keyLivesInTheKeyring();
    void addNeverReplacesAnItem();
};

void TestSecretServiceKeychain::initTestCase()
{
    QDBusConnectionInterface* bus = QDBusConnection::sessionBus().interface();
    QVERIFY2(bus && bus->isServiceRegistered(QStringLiteral("org.freedesktop.secrets")),
             "needs a Secret Service: run inside scripts/test-session.sh");
}

void TestSecretServiceKeychain::keyLivesInTheKeyring()
{
    const EntryKeyResult first = loadFromKeyring();
    QVERIFY2(first.key, first.error ? first.error->what() : "no answer");
    QCOMPARE(first.key->length(), 32);

    const EntryKeyResult second = loadFromKeyring();
    QVERIFY(second.key);
    QCOMPARE(hexOf(*second.key), hexOf(*first.key));

    // Another process finds the same key through the same code...
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), {QString::fromLatin1(kPrintKey)});
    QVERIFY(child.waitForFinished(20000));
    QCOMPARE(child.exitCode(), 0);
    QCOMPARE(child.readAllStandardOutput().trimmed(), hexOf(*first.key));

    // ...and the keyring's own tool finds the item under Wendle's service and account.
    QProcess tool;
    tool.start(QStringLiteral("secret-tool"),
               {QStringLiteral("search"), QStringLiteral("--all"), QStringLiteral("server"),
                QStringLiteral("org.wendle.Wendle")});
    QVERIFY(tool.waitForFinished(20000));
    const QString listing = QString::fromUtf8(tool.readAllStandardOutput() + tool.readAllStandardError());
    QVERIFY2(listing.contains(QStringLiteral("entry-encryption-key")), qPrintable(listing));
}

void TestSecretServiceKeychain::addNeverReplacesAnItem()
{
    SecretServiceKeychain keychain;
    // A fresh account each run, so the test can run again in the same session.
    const KeychainItem item{QStringLiteral("org.wendle.Wendle.test"), QUuid::createUuid().toString()};
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
    if (argc > 1 && std::strcmp(argv[1], kPrintKey) == 0) {
        const EntryKeyResult result = loadFromKeyring();
        if (!result.key) {
            return 1;
        }
        fputs(hexOf(*result.key).constData(), stdout);
        return 0;
    }
    TestSecretServiceKeychain test;
    return QTest::qExec(&test, argc, argv);
}

#include "TestSecretServiceKeychain.moc"
