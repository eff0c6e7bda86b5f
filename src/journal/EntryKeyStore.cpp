// SPDX-License-Identifier: GPL-3.0-or-later
#include "journal/EntryKeyStore.h"

#include <cstring>

namespace wendle {

namespace {

EntryKeyResult failure(qint32 status)
{
    return {nullptr, EntryCryptoError::keychainStatus(status)};
}

void wipe(QByteArray& bytes)
{
    if (!bytes.isEmpty()) {
        explicit_bzero(bytes.data(), static_cast<std::size_t>(bytes.size()));
    }
}

void createEntryKey(Keychain& keychain, std::function<void(EntryKeyResult)> done)
{
    std::shared_ptr<const EntryKey> key;
    try {
        key = EntryKey::random();
    } catch (const CipherError&) {
        done(failure(KeychainStatus::internalComponent));
        return;
    }
    QByteArray bytes(reinterpret_cast<const char*>(key->data()), key->length());
    keychain.add(entryKeyItem, bytes, [key, done = std::move(done)](qint32 status) {
        if (status == KeychainStatus::success) {
            done({key, std::nullopt});
        } else {
            done(failure(status));
        }
    });
    wipe(bytes);
}

} // namespace

void loadOrCreateEntryKey(Keychain& keychain, std::function<void(EntryKeyResult)> done)
{
    keychain.lookup(entryKeyItem, [&keychain, done = std::move(done)](qint32 status, std::optional<QByteArray> data) {
        if (status == KeychainStatus::itemNotFound) {
            createEntryKey(keychain, done);
            return;
        }
        if (status != KeychainStatus::success) {
            done(failure(status));
            return;
        }
        if (!data) {
            done(failure(0));
            return;
        }
        if (data->size() != EntryKey::size) {
            done(failure(KeychainStatus::decode));
            return;
        }
        auto key = EntryKey::fromBytes(*data);
        wipe(*data);
        done({key, std::nullopt});
    });
}

} // namespace wendle
