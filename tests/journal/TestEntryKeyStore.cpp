// SPDX-License-Identifier: GPL-3.0-or-later
#include "journal/EntryKeyStore.h"

#include <QTest>

using namespace wendle;

namespace {

EntryKeyResult loadNow(Keychain& keychain)
{
    std::optional<EntryKeyResult> result;
    loadOrCreateEntryKey(keychain, [&](EntryKeyResult r) { result = std::move(r); });
    Q_ASSERT(result); // the in-memory keychain answers at once
    return *result;
}

QByteArray bytesOf(const EntryKey& key)
{
    return QByteArray(reinterpret_cast<const char*>(key.data()), key.length());
}

} // namespace

class TestEntryKeyStore : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void createsOnceThenReturnsTheSameKey();
    void keychainFailuresFailTheUnlock();
    void anItemThatIsNotAKeyIsLeftAlone();
};

void TestEntryKeyStore::createsOnceThenReturnsTheSameKey()
{
    InMemoryKeychain keychain;
    const EntryKeyResult first = loadNow(keychain);
    QVERIFY(first.key);
    QVERIFY(!first.error);
    QCOMPARE(first.key->length(), 32);
    const KeychainItem item{QStringLiteral("org.wendle.Wendle"), QStringLiteral("entry-encryption-key")};
    QCOMPARE(keychain.stored(item), bytesOf(*first.key));

    const EntryKeyResult second = loadNow(keychain);
    QCOMPARE(bytesOf(*second.key), bytesOf(*first.key));
    QCOMPARE(keychain.addCount(), 1);
}

void TestEntryKeyStore::keychainFailuresFailTheUnlock()
{
    InMemoryKeychain addFails;
    addFails.failAdds(KeychainStatus::duplicateItem);
    EntryKeyResult result = loadNow(addFails);
    QVERIFY(!result.key);
    QCOMPARE(result.error, EntryCryptoError::keychainStatus(-25299));

    InMemoryKeychain lookupFails;
    lookupFails.failLookups(KeychainStatus::userCanceled);
    result = loadNow(lookupFails);
    QCOMPARE(result.error, EntryCryptoError::keychainStatus(-128));
    QCOMPARE(lookupFails.addCount(), 0);

    InMemoryKeychain noData;
    noData.store(entryKeyItem, QByteArray(32, 'k'));
    noData.omitData(true);
    result = loadNow(noData);
    QCOMPARE(result.error, EntryCryptoError::keychainStatus(0));
}

void TestEntryKeyStore::anItemThatIsNotAKeyIsLeftAlone()
{
    for (const QByteArray& stored : {QByteArray(31, 'k'), QByteArray(33, 'k'), QByteArray()}) {
        InMemoryKeychain keychain;
        keychain.store(entryKeyItem, stored);
        const EntryKeyResult result = loadNow(keychain);
        QVERIFY(!result.key);
        QCOMPARE(result.error, EntryCryptoError::keychainStatus(-26275));
        QCOMPARE(keychain.stored(entryKeyItem), stored);
        QCOMPARE(keychain.addCount(), 0);
    }
}

QTEST_GUILESS_MAIN(TestEntryKeyStore)
#include "TestEntryKeyStore.moc"
