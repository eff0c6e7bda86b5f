// SPDX-License-Identifier: GPL-3.0-or-later
#include "journal/Keychain.h"

#include "journal/LockedBuffer.h"

namespace wendle {

namespace {

// A copy of its own: callers wipe theirs once the call returns.
QByteArray ownCopy(const QByteArray& data)
{
    return QByteArray(data.constData(), data.size());
}

} // namespace

void InMemoryKeychain::lookup(const KeychainItem& item, LookupReply reply)
{
    if (m_lookupStatus != KeychainStatus::Success) {
        reply(m_lookupStatus, std::nullopt);
        return;
    }
    const auto found = m_items.constFind(keyOf(item));
    if (found == m_items.constEnd()) {
        reply(KeychainStatus::NotFound, std::nullopt);
        return;
    }
    if (m_omitData) {
        reply(KeychainStatus::Success, std::nullopt);
        return;
    }
    // As the system keychain does: the caller gets a copy, wiped once it has been read.
    std::optional<QByteArray> data = ownCopy(*found);
    reply(KeychainStatus::Success, data);
    wipeBytes(*data);
}

void InMemoryKeychain::add(const KeychainItem& item, const QByteArray& data, WriteReply reply)
{
    ++m_addCount;
    if (m_addStatus != KeychainStatus::Success) {
        reply(m_addStatus);
        return;
    }
    if (m_items.contains(keyOf(item))) {
        reply(KeychainStatus::Duplicate);
        return;
    }
    m_items.insert(keyOf(item), ownCopy(data));
    reply(KeychainStatus::Success);
}

void InMemoryKeychain::write(const KeychainItem& item, const QByteArray& data, WriteReply reply)
{
    ++m_addCount;
    if (m_addStatus != KeychainStatus::Success) {
        reply(m_addStatus);
        return;
    }
    m_items.insert(keyOf(item), ownCopy(data));
    reply(KeychainStatus::Success);
}

QStringList InMemoryKeychain::accounts(const QString& service) const
{
    QStringList found;
    for (auto it = m_items.constBegin(); it != m_items.constEnd(); ++it) {
        if (it.key().startsWith(service + u'\n')) {
            found << it.key().mid(service.size() + 1);
        }
    }
    found.sort();
    return found;
}

std::optional<QByteArray> InMemoryKeychain::stored(const KeychainItem& item) const
{
    const auto found = m_items.constFind(keyOf(item));
    return found == m_items.constEnd() ? std::nullopt : std::optional<QByteArray>(*found);
}

void InMemoryKeychain::store(const KeychainItem& item, const QByteArray& data)
{
    m_items.insert(keyOf(item), ownCopy(data));
}

} // namespace wendle
