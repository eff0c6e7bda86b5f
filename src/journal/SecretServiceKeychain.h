// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "journal/Keychain.h"

namespace wendle {

/**
 * The keyring through the freedesktop Secret Service (GNOME Keyring, KWallet, KeePassXC), always: never
 * another backend chosen by the desktop of the day, so the key is looked for where it was put.
 *
 * Items use the attribute schema QtKeychain uses (`server` = service, `user` = account, binary data in
 * base64 with `type` = "base64"), so keys stored by earlier builds are found. Lookups search every
 * collection, locked ones included, and ask the keyring to unlock them (the keyring's own prompt).
 *
 * Replies come from GLib's main context, which Qt's event loop runs on Linux. Without libsecret installed every
 * call answers `Unavailable`.
 */
class SecretServiceKeychain final : public Keychain
{
public:
    void lookup(const KeychainItem& item, LookupReply reply) override;
    /** Looks first and refuses to replace: the Secret Service itself would replace silently. */
    void add(const KeychainItem& item, const QByteArray& data, WriteReply reply) override;
    /** Replaces the data of the item where it is, in any collection; a new item goes into the default one. */
    void write(const KeychainItem& item, const QByteArray& data, WriteReply reply) override;

    /**
     * libsecret is opened at the first call rather than when Wendle starts (it brings GIO and a dozen
     * libraries the lock screen has no use for); this opens it on a worker thread, so that call need not wait.
     */
    static void loadInBackground();
};

} // namespace wendle
