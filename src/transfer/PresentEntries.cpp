// SPDX-License-Identifier: GPL-3.0-or-later
#include "transfer/PresentEntries.h"

#include "journal/EntryStore.h"

namespace wendle {

PresentEntries::PresentEntries(const EntryStore& store)
{
    m_identities.reserve(qsizetype(store.entries().size()));
    for (const Entry* entry : store.entries()) {
        add(entry->date(), entry->dayKey(), entry->promptID());
    }
}

bool PresentEntries::contains(const QDateTime& date, const QString& dayKey, const QString& promptID) const
{
    return m_identities.contains(identity(date, dayKey, promptID));
}

void PresentEntries::add(const QDateTime& date, const QString& dayKey, const QString& promptID)
{
    m_identities.insert(identity(date, dayKey, promptID));
}

QString PresentEntries::identity(const QDateTime& date, const QString& dayKey, const QString& promptID)
{
    // The store keeps dates to the millisecond, so that is the precision two dates are compared at.
    return QString::number(date.toMSecsSinceEpoch()) + u'\n' + dayKey + u'\n' + promptID;
}

} // namespace wendle
