// SPDX-License-Identifier: GPL-3.0-or-later
#include "journal/Keychain.h"

namespace wendle {

void InMemoryKeychain::lookup(const KeychainItem& item, LookupReply reply)
{
    if (m_lookupStatus != KeychainStatus::success) {
        reply(m_lookupStatus, std::nullopt);
        return;
    }
    const auto found = m_items.constFind(keyOf(item));
    if (found == m_items.constEnd()) {
        reply(KeychainStatus::itemNotFound, std::nullopt);
        return;
    }
    reply(KeychainStatus::success, m_omitData ? std::nullopt : std::optional<QByteArray>(*found));
}

void InMemoryKeychain::add(const KeychainItem& item, const QByteArray& data, WriteReply reply)
{
    ++m_addCount;
    if (m_addStatus != KeychainStatus::success) {
        reply(m_addStatus);
        return;
    }
    if (m_items.contains(keyOf(item))) {
        reply(KeychainStatus::duplicateItem);
        return;
    }
    m_items.insert(keyOf(item), data);
    reply(KeychainStatus::success);
}

void InMemoryKeychain::write(const KeychainItem& item, const QByteArray& data, WriteReply reply)
{
    ++m_addCount;
    if (m_addStatus != KeychainStatus::success) {
        reply(m_addStatus);
        return;
    }
    m_items.insert(keyOf(item), data);
    reply(KeychainStatus::success);
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
    m_items.insert(keyOf(item), data);
}

} // namespace wendle
