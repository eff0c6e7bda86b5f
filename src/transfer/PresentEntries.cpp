// SPDX-License-Identifier: GPL-3.0-or-later
#include "transfer/PresentEntries.h"

#include "journal/EntryStore.h"
#include "journal/SyncId.h"
#include "transfer/EntryRecord.h"

namespace wendle {

PresentEntries::PresentEntries(const EntryStore& store)
{
    m_identities.reserve(qsizetype(store.entries().size()));
    m_globalIds.reserve(qsizetype(store.entries().size()));
    for (const Entry* entry : store.entries()) {
        m_identities.insert(identity(*entry));
        if (SyncId::isValid(entry->globalId())) {
            m_globalIds.insert(entry->globalId());
        }
    }
}

bool PresentEntries::contains(const EntryRecord& record) const
{
    return m_identities.contains(identity(record))
        || (SyncId::isValid(record.globalId) && m_globalIds.contains(record.globalId));
}

void PresentEntries::add(const EntryRecord& record)
{
    m_identities.insert(identity(record));
    if (SyncId::isValid(record.globalId)) {
        m_globalIds.insert(record.globalId);
    }
}

QString PresentEntries::identity(const Entry& entry)
{
    return identity(entry.date(), entry.dayKey(), entry.promptID());
}

QString PresentEntries::identity(const EntryRecord& record)
{
    return identity(record.date, record.dayKey, record.promptID);
}

QString PresentEntries::identity(const QDateTime& date, const QString& dayKey, const QString& promptID)
{
    // The store keeps dates to the millisecond, so that is the precision two dates are compared at.
    return QString::number(date.toMSecsSinceEpoch()) + u'\n' + dayKey + u'\n' + promptID;
}

} // namespace wendle
