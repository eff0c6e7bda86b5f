// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace wendle {

/** How a keychain call ended, named for what happened rather than by any platform's code. */
enum class KeychainStatus
{
    Success,
    /** No such item anywhere the keychain looks. */
    NotFound,
    /** An item of that name exists already. */
    Duplicate,
    /** The item exists but its keyring stayed locked (the unlock prompt was dismissed or failed). */
    Locked,
    /** The user cancelled the keychain's own prompt. */
    Cancelled,
    /** No keychain is running, or it cannot be reached. */
    Unavailable,
    /** The item's contents are not what was stored there (not a key of this journal). */
    Malformed,
    /** The keychain, or the work around it, failed in a way that names no cause. */
    Failed,
};

/** Names one generic-password item: the service it belongs to and its account. */
struct KeychainItem
{
    QString service;
    QString account;
    bool operator==(const KeychainItem&) const = default;
};

/**
 * The system keychain, reduced to the calls Wendle makes. All answer through a callback, which may run later
 * on the calling thread's event loop; they never block.
 *
 * A lookup looks everywhere the keychain keeps items, locked places included, and asks the keychain to unlock
 * them: "not found" must mean the item is absent, never that it was out of sight.
 */
class Keychain
{
public:
    /**
     * `data` is set when the status is success and the item held data. It is wiped once the reply returns:
     * a reply that keeps it makes a copy of its own (`heldSecret`).
     */
    using LookupReply = std::function<void(KeychainStatus status, std::optional<QByteArray> data)>;
    using WriteReply = std::function<void(KeychainStatus status)>;

    virtual ~Keychain() = default;

    /**
     * Finds the item and returns its data; `NotFound` only when there is none anywhere; `Locked` when it
     * exists but stays locked.
     */
    virtual void lookup(const KeychainItem& item, LookupReply reply) = 0;
    /** Adds the item; `Duplicate` when it exists already, which leaves it unchanged. */
    virtual void add(const KeychainItem& item, const QByteArray& data, WriteReply reply) = 0;
    /** Stores the item, replacing its data if it exists. Callers keep an existing item aside first. */
    virtual void write(const KeychainItem& item, const QByteArray& data, WriteReply reply) = 0;
};

/** A keychain in memory, for tests: answers at once, and can be told to fail or to be locked. */
class InMemoryKeychain final : public Keychain
{
public:
    void lookup(const KeychainItem& item, LookupReply reply) override;
    void add(const KeychainItem& item, const QByteArray& data, WriteReply reply) override;
    void write(const KeychainItem& item, const QByteArray& data, WriteReply reply) override;

    /** Makes every later lookup (or add) answer with `status`; success restores normal behaviour. */
    void failLookups(KeychainStatus status) { m_lookupStatus = status; }
    void failAdds(KeychainStatus status) { m_addStatus = status; }
    /** Makes successful lookups return no data, as a keychain sometimes does. */
    void omitData(bool omit) { m_omitData = omit; }

    std::optional<QByteArray> stored(const KeychainItem& item) const;
    void store(const KeychainItem& item, const QByteArray& data);
    /** Every account stored under `service`. */
    QStringList accounts(const QString& service) const;
    /** Calls of `add` and `write`: anything that could have changed the keychain. */
    int addCount() const { return m_addCount; }

private:
    static QString keyOf(const KeychainItem& item) { return item.service + u'\n' + item.account; }

    QHash<QString, QByteArray> m_items;
    KeychainStatus m_lookupStatus = KeychainStatus::Success;
    KeychainStatus m_addStatus = KeychainStatus::Success;
    bool m_omitData = false;
    int m_addCount = 0;
};

} // namespace wendle
