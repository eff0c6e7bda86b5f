// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "journal/Keychain.h"

namespace wendle {

/**
 * The system keyring through QtKeychain: the Secret Service on Linux (GNOME Keyring, KWallet, KeePassXC),
 * the Keychain on macOS. Items are binary; QtKeychain's plaintext fallback stays off, so without a keyring
 * every call fails with `notAvailable` rather than writing a secret to a file.
 */
class SecretServiceKeychain final : public Keychain
{
public:
    void lookup(const KeychainItem& item, LookupReply reply) override;
    /** QtKeychain's write replaces an existing item, so add looks first and refuses to replace. */
    void add(const KeychainItem& item, const QByteArray& data, AddReply reply) override;
};

} // namespace wendle
