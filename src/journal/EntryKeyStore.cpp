// SPDX-License-Identifier: GPL-3.0-or-later
#include "journal/EntryKeyStore.h"

#include "journal/EntryStore.h"
#include "journal/LockedBuffer.h"
#include "journal/SystemLog.h"

#include <QDateTime>

#include <cstring>
#include <syslog.h>

namespace wendle {

namespace {

const QString kKeyCheckValue = QStringLiteral("wendle-key-check");

EntryKeyResult failure(KeychainStatus status, KeyProblem problem)
{
    return {nullptr, EntryCryptoError::keychainStatus(status), problem, false};
}

KeyProblem problemOf(KeychainStatus status)
{
    switch (status) {
    case KeychainStatus::NotFound:
        return KeyProblem::keyMissing;
    case KeychainStatus::Malformed:
        return KeyProblem::keyMismatch;
    default:
        return KeyProblem::keyringUnavailable;
    }
}

QByteArray bytesOf(const EntryKey& key)
{
    return QByteArray(reinterpret_cast<const char*>(key.data()), key.length());
}

bool holdsKey(const QByteArray& bytes, const EntryKey& key)
{
    return bytes.size() == key.length()
        && std::memcmp(bytes.constData(), key.data(), static_cast<std::size_t>(bytes.size())) == 0;
}

bool opensKeyCheck(const QByteArray& sealed, const EntryKey& key)
{
    try {
        return openEntryText(sealed, key) == kKeyCheckValue;
    } catch (const std::exception&) {
        return false;
    }
}

bool opensAKeyCheck(const EntryKey& key, const EntryStore& store)
{
    const auto& checks = store.keyChecks();
    return std::any_of(checks.begin(), checks.end(),
                       [&](const QByteArray& check) { return opensKeyCheck(check, key); });
}

// Hands out `key` once the journal records that it is its key; a journal that cannot record it still opens.
void finishWithKey(EntryStore& store, std::shared_ptr<const EntryKey> key, bool created, const EntryKeyReply& done)
{
    if (!opensAKeyCheck(*key, store)) {
        // Failing here only delays the check to the next unlock, when the key is proven again the same way.
        static_cast<void>(store.addKeyCheck(sealKeyCheck(*key)));
    }
    done({std::move(key), std::nullopt, KeyProblem::none, created});
}

/** A fresh random key; null (and `done` told why) when the random source fails. */
std::shared_ptr<const EntryKey> newKey(const EntryKeyReply& done)
{
    try {
        return EntryKey::random();
    } catch (const CipherError&) {
        done(failure(KeychainStatus::Failed, KeyProblem::keyringUnavailable));
        return nullptr;
    }
}

void createEntryKey(Keychain& keychain, EntryStore& store, const KeychainItem& item, EntryKeyReply done)
{
    const std::shared_ptr<const EntryKey> key = newKey(done);
    if (!key) {
        return;
    }
    QByteArray bytes = bytesOf(*key);
    // The keychain first: a key check without its key would lock the journal out at the next unlock.
    keychain.add(item, bytes, [&store, key, done = std::move(done)](KeychainStatus status) {
        if (status != KeychainStatus::Success) {
            done(failure(status, problemOf(status)));
            return;
        }
        finishWithKey(store, key, true, done);
    });
    wipeBytes(bytes);
}

/** Adds `data` under `account`, or `account-2`, `account-3`… when an item of that name exists already. */
void addUnderFreeName(Keychain& keychain, const KeychainItem& item, std::shared_ptr<const QByteArray> data, int attempt,
                      Keychain::WriteReply done)
{
    const KeychainItem named{item.service,
                             attempt == 1 ? item.account : item.account + u'-' + QString::number(attempt)};
    keychain.add(named, *data, [&keychain, item, data, attempt, done = std::move(done)](KeychainStatus status) {
        if (status == KeychainStatus::Duplicate && attempt < 100) {
            addUnderFreeName(keychain, item, data, attempt + 1, done);
            return;
        }
        done(status);
    });
}

/** Seals again under `to` everything of the journal that opens under `from`, in one transaction. */
bool resealJournal(EntryStore& store, const EntryKey& from, const EntryKey& to)
{
    return store.resealAll([&](const QByteArray& sealed) -> std::optional<QByteArray> {
        QString text;
        try {
            text = openEntryText(sealed, from);
        } catch (const std::exception&) {
            return std::nullopt;
        }
        // A failure to seal ends the whole transaction: nothing stays half moved.
        return sealEntryText(text, to);
    });
}

/** Keeps an existing item under a dated account of its own, then stores `key` in its place. */
void storeKeepingExisting(Keychain& keychain, const KeychainItem& item, std::shared_ptr<const EntryKey> key,
                          std::function<void(KeychainStatus status)> done)
{
    keychain.lookup(
        item, [&keychain, item, key, done = std::move(done)](KeychainStatus status, std::optional<QByteArray> old) {
            auto storeKey = [&keychain, item, key, done] {
                QByteArray bytes = bytesOf(*key);
                keychain.write(item, bytes, done);
                wipeBytes(bytes);
            };
            if (status == KeychainStatus::NotFound) {
                storeKey();
                return;
            }
            if (status != KeychainStatus::Success || !old) {
                done(status == KeychainStatus::Success ? KeychainStatus::Locked : status);
                return;
            }
            if (holdsKey(*old, *key)) {
                wipeBytes(*old);
                done(KeychainStatus::Success);
                return;
            }
            const KeychainItem aside{item.service, replacedAccount(item.account, QDateTime::currentDateTimeUtc())};
            addUnderFreeName(keychain, aside, heldSecret(*old), 1, [storeKey, done](KeychainStatus keptStatus) {
                if (keptStatus != KeychainStatus::Success) {
                    done(keptStatus);
                    return;
                }
                storeKey();
            });
            wipeBytes(*old);
        });
}

} // namespace

QByteArray sealKeyCheck(const EntryKey& key)
{
    return sealEntryText(kKeyCheckValue, key);
}

bool keyBelongsToJournal(const EntryKey& key, const EntryStore& store)
{
    if (!store.keyChecks().empty()) {
        return opensAKeyCheck(key, store);
    }
    if (!store.holdsSealedBodies()) {
        return true;
    }
    for (const Entry* entry : store.entriesNewestFirst()) {
        if (opensUnder(entry->cipherBody(), key)) {
            return true;
        }
    }
    for (const EntryStore::DisplacedBody& displaced : store.displacedBodies()) {
        if (opensUnder(displaced.cipherBody, key)) {
            return true;
        }
    }
    return false;
}

QString replacedAccount(const QString& account, const QDateTime& when)
{
    return account + QStringLiteral(".replaced-") + when.toUTC().toString(QStringLiteral("yyyyMMdd-HHmmss"));
}

void loadOrCreateEntryKey(Keychain& keychain, EntryStore& store, EntryKeyReply done, const KeychainItem& item)
{
    keychain.lookup(
        item, [&keychain, &store, item, done = std::move(done)](KeychainStatus status, std::optional<QByteArray> data) {
            if (status == KeychainStatus::NotFound) {
                if (store.holdsSealedBodies() || !store.keyChecks().empty()) {
                    // The journal has had a key. Making another would seal it away from everything written
                    // so far.
                    done(failure(status, KeyProblem::keyMissing));
                    return;
                }
                createEntryKey(keychain, store, item, done);
                return;
            }
            if (status != KeychainStatus::Success) {
                done(failure(status, problemOf(status)));
                return;
            }
            if (!data) {
                done(failure(KeychainStatus::Success, KeyProblem::keyringUnavailable));
                return;
            }
            if (data->size() != EntryKey::size) {
                wipeBytes(*data);
                done(failure(KeychainStatus::Malformed, KeyProblem::keyMismatch));
                return;
            }
            auto key = EntryKey::fromBytes(*data);
            wipeBytes(*data);
            if (!keyBelongsToJournal(*key, store)) {
                done(failure(KeychainStatus::Malformed, KeyProblem::keyMismatch));
                return;
            }
            finishWithKey(store, std::move(key), false, done);
        });
}

void restoreEntryKey(Keychain& keychain, EntryStore& store, std::shared_ptr<const EntryKey> key, EntryKeyReply done,
                     const KeychainItem& item)
{
    if (!key || !keyBelongsToJournal(*key, store)) {
        done(failure(KeychainStatus::Malformed, KeyProblem::keyMismatch));
        return;
    }
    storeKeepingExisting(keychain, item, key, [&store, key, done = std::move(done)](KeychainStatus status) {
        if (status != KeychainStatus::Success) {
            done(failure(status, problemOf(status)));
            return;
        }
        finishWithKey(store, key, false, done);
    });
}

bool journalHoldsWriting(const EntryStore& store)
{
    return store.holdsSealedBodies() || !store.sealedOwnWords().empty();
}

void joinEntryKey(Keychain& keychain, EntryStore& store, std::shared_ptr<const EntryKey> key,
                  std::shared_ptr<const EntryKey> current, EntryKeyReply done, const KeychainItem& item)
{
    const bool foreign = key && !keyBelongsToJournal(*key, store);
    if (!key || (foreign && !current && journalHoldsWriting(store))) {
        done(failure(KeychainStatus::Malformed, KeyProblem::keyMismatch));
        return;
    }
    // Without writing, only the key check moves: the code of the key it had no longer passes for this journal's.
    const bool resealing = foreign && current;
    if (resealing && !resealJournal(store, *current, *key)) {
        done(failure(KeychainStatus::Failed, KeyProblem::journalUnwritable));
        return;
    }
    storeKeepingExisting(keychain, item, key,
                         [&store, key, current, resealing, done = std::move(done)](KeychainStatus status) {
                             if (status != KeychainStatus::Success) {
                                 // The keychain still holds the key the journal had: it is sealed under it again.
                                 if (resealing && !resealJournal(store, *key, *current)) {
                                     logToSystem(LOG_ERR,
                                                 QStringLiteral("the journal stays sealed under the "
                                                                "joined key, which the keyring refused"));
                                 }
                                 done(failure(status, problemOf(status)));
                                 return;
                             }
                             finishWithKey(store, key, false, done);
                         });
}

void replaceEntryKey(Keychain& keychain, EntryStore& store, EntryKeyReply done, const KeychainItem& item)
{
    const std::shared_ptr<const EntryKey> key = newKey(done);
    if (!key) {
        return;
    }
    // The journal first: once it knows the new key, a keychain failure leaves only an unused check behind.
    if (!store.addKeyCheck(sealKeyCheck(*key))) {
        done(failure(KeychainStatus::Failed, KeyProblem::journalUnwritable));
        return;
    }
    storeKeepingExisting(keychain, item, key, [key, done = std::move(done)](KeychainStatus status) {
        if (status != KeychainStatus::Success) {
            done(failure(status, problemOf(status)));
            return;
        }
        done({key, std::nullopt, KeyProblem::none, true});
    });
}

} // namespace wendle
