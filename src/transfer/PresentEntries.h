// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QSet>
#include <QString>

namespace wendle {

class Entry;
class EntryStore;
struct EntryRecord;

/**
 * The entries a journal already holds, by their global id and by the fields that never change after an entry is
 * first saved: `date`, `dayKey` and `promptID`. An entry brought in from elsewhere with an id the journal holds, or
 * with the same three, is already present and is left out, which is what makes importing the same file twice add
 * nothing.
 */
class PresentEntries
{
public:
    explicit PresentEntries(const EntryStore& store);

    bool contains(const EntryRecord& record) const;
    /** Counts an entry about to be added as present from now on. */
    void add(const EntryRecord& record);

    /** The three fields as one value, for callers that look entries up by them. */
    static QString identity(const Entry& entry);
    static QString identity(const EntryRecord& record);

private:
    static QString identity(const QDateTime& date, const QString& dayKey, const QString& promptID);

    QSet<QString> m_identities;
    QSet<QByteArray> m_globalIds;
};

} // namespace wendle
