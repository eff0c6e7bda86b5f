// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace wendle {

/** Keychain statuses, with the platform's numbers so they read the same everywhere. */
namespace KeychainStatus {
inline constexpr qint32 success = 0;
inline constexpr qint32 itemNotFound = -25300;
inline constexpr qint32 duplicateItem = -25299;
inline constexpr qint32 userCanceled = -128;
inline constexpr qint32 authFailed = -25293;
inline constexpr qint32 notAvailable = -25291;
inline constexpr qint32 interactionNotAllowed = -25308;
inline constexpr qint32 unimplemented = -4;
inline constexpr qint32 decode = -26275;
inline constexpr qint32 internalComponent = -2070;
} // namespace KeychainStatus

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
    using LookupReply = std::function<void(qint32 status, std::optional<QByteArray> data)>;
    using WriteReply = std::function<void(qint32 status)>;

    virtual ~Keychain() = default;

    /**
     * Finds the item and returns its data; `itemNotFound` only when there is none anywhere;
     * `interactionNotAllowed` when it exists but stays locked.
     */
    virtual void lookup(const KeychainItem& item, LookupReply reply) = 0;
    /** Adds the item; `duplicateItem` when it exists already, which leaves it unchanged. */
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
    void failLookups(qint32 status) { m_lookupStatus = status; }
    void failAdds(qint32 status) { m_addStatus = status; }
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
    qint32 m_lookupStatus = KeychainStatus::success;
    qint32 m_addStatus = KeychainStatus::success;
    bool m_omitData = false;
    int m_addCount = 0;
};

} // namespace wendle
