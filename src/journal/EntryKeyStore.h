// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "journal/EntryCrypto.h"
#include "journal/Keychain.h"

#include <functional>
#include <memory>
#include <optional>

namespace wendle {

/** The keychain item that holds the entry key. */
inline const KeychainItem entryKeyItem{QStringLiteral("org.wendle.Wendle"), QStringLiteral("entry-encryption-key")};

/** What `loadOrCreateEntryKey` hands back: the key, or the reason there is none. */
struct EntryKeyResult
{
    std::shared_ptr<const EntryKey> key;
    std::optional<EntryCryptoError> error;
};

/**
 * Fetches the entry key from the keychain, or on first use creates a random one and adds it.
 * The answer arrives through `done` (possibly later, on the caller's event loop). Nothing is cached.
 *
 * A stored item that is not exactly 32 bytes is not a key: it fails with `keychainStatus(decode)` and is
 * left untouched, so the journal stays locked instead of silently failing every save.
 */
void loadOrCreateEntryKey(Keychain& keychain, std::function<void(EntryKeyResult)> done);

} // namespace wendle
