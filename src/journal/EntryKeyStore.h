// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "journal/EntryCrypto.h"
#include "journal/Keychain.h"

#include <QDateTime>

#include <functional>
#include <memory>
#include <optional>

namespace wendle {

class EntryStore;

/** The keychain item that holds the entry key. */
inline const KeychainItem entryKeyItem{QStringLiteral("org.wendle.Wendle"), QStringLiteral("entry-encryption-key")};

/** Why the journal's key could not be had, in terms of what the user can do about it. */
enum class KeyProblem
{
    none,
    /** The keyring is locked, refused, or not running: unlocking it and trying again may help. */
    keyringUnavailable,
    /** The journal holds sealed text but the keyring has no key for it. */
    keyMissing,
    /** The keyring's item is not a key of this journal. */
    keyMismatch,
    /** The journal could not record what it needed (the disk, most likely). */
    journalUnwritable,
};

/** What the key operations hand back: the key, or the reason there is none. */
struct EntryKeyResult
{
    std::shared_ptr<const EntryKey> key;
    std::optional<EntryCryptoError> error;
    KeyProblem problem = KeyProblem::none;
    /** The key was made just now: its recovery code has never been shown. */
    bool created = false;
};

using EntryKeyReply = std::function<void(EntryKeyResult)>;

/** The key check: a fixed value sealed under a key, so the key can be recognised later. */
QByteArray sealKeyCheck(const EntryKey& key);

/**
 * The key opens one of the journal's key checks or, in a journal that has none yet, one of its sealed bodies
 * (newest first). A journal with no key check and no body accepts any key.
 */
[[nodiscard]] bool keyBelongsToJournal(const EntryKey& key, const EntryStore& store);

/**
 * Fetches the entry key from the keychain and proves it is this journal's before handing it out. A new key is
 * made and added only for a journal that has never had one: no sealed body and no key check. Whenever the
 * keychain has no key but the journal needs one, nothing is added and `keyMissing` comes back, so an item that
 * was merely out of sight is never replaced.
 *
 * A journal without a key check gets one once its key is proven (upgrading its schema in the same step).
 * A stored item that is not 32 bytes is not a key of this journal (`keyMismatch`) and is left alone.
 * The answer arrives through `done`, possibly later on the caller's event loop. Nothing is cached.
 */
void loadOrCreateEntryKey(Keychain& keychain, EntryStore& store, EntryKeyReply done,
                          const KeychainItem& item = entryKeyItem);

/**
 * Puts `key` (from a recovery code) back into the keychain. Refused with `keyMismatch` when the key is not
 * this journal's. An item already there with other data is first kept under `account.replaced-YYYYMMDD-HHMMSS`
 * of the same service, so nothing is ever destroyed.
 */
void restoreEntryKey(Keychain& keychain, EntryStore& store, std::shared_ptr<const EntryKey> key, EntryKeyReply done,
                     const KeychainItem& item = entryKeyItem);

/** The journal holds writing of its own: sealed text or words the user added to the dictionary. */
bool journalHoldsWriting(const EntryStore& store);

/**
 * Takes `key` (from the recovery code of the same journal on another computer) as this journal's key, so that the
 * two can sync. Everything sealed under `current`, the journal's key now (its writing, and its key check), is sealed
 * again under `key` in one transaction before the keychain takes `key`, and sealed back if the keychain cannot; the
 * item it replaces is kept aside as `restoreEntryKey` does. `keyMismatch` when there is no key, or writing but no
 * `current`.
 */
void joinEntryKey(Keychain& keychain, EntryStore& store, std::shared_ptr<const EntryKey> key,
                  std::shared_ptr<const EntryKey> current, EntryKeyReply done, const KeychainItem& item = entryKeyItem);

/**
 * Starts the journal over with a new key, for a user whose old key is lost. The old key checks and every
 * sealed body stay as they are (they open again if the old key comes back); an existing item is kept aside
 * as `restoreEntryKey` does. The result has `created` set.
 */
void replaceEntryKey(Keychain& keychain, EntryStore& store, EntryKeyReply done,
                     const KeychainItem& item = entryKeyItem);

/** The account under which a replaced item is kept: `account.replaced-YYYYMMDD-HHMMSS` (UTC). */
QString replacedAccount(const QString& account, const QDateTime& when);

} // namespace wendle
