// SPDX-License-Identifier: GPL-3.0-or-later
#include "transfer/PresentEntries.h"

#include "journal/EntryStore.h"
#include "transfer/EntryRecord.h"

namespace wendle {

PresentEntries::PresentEntries(const EntryStore& store)
{
    m_identities.reserve(qsizetype(store.entries().size()));
    for (const Entry* entry : store.entries()) {
        m_identities.insert(identity(*entry));
    }
}

bool PresentEntries::contains(const EntryRecord& record) const
{
    return m_identities.contains(identity(record));
}

void PresentEntries::add(const EntryRecord& record)
{
    m_identities.insert(identity(record));
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
