// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QJsonObject>
#include <QString>

#include <optional>

namespace wendle {

class Entry;
class EntryKey;
struct NewEntry;

/**
 * One entry as it leaves the journal or comes into it, in a backup, an export or an import: the fields the
 * journal keeps for it, and its text in the clear (none when it did not open under the journal's key).
 */
struct EntryRecord
{
    QDateTime date;
    QString dayKey;
    QString promptID;
    QString categoryRaw;
    qint64 creditedWords = 0;
    std::optional<QString> text;
    /**
     * The entry's global id (see SyncId), so that sync still knows it wherever it comes back; empty when it has
     * none, or when what came from outside was not a well-formed one.
     */
    QByteArray globalId = {};

    /** `entry`'s fields, with its text opened under `key`. */
    static EntryRecord of(const Entry& entry, const EntryKey& key);

    /** The fields of the journal entry this record becomes, its text sealed as `cipherBody`. */
    NewEntry sealedAs(QByteArray cipherBody) const;

    /**
     * The fields a backup's payload and a JSON export both write under the same names: "dayKey", "promptID",
     * "category", "words" and, when the entry has one, "globalID" (32 lowercase hexadecimal digits). The date and
     * the text are written as each of them writes them.
     */
    QJsonObject jsonFields() const;

    /**
     * Reads back what `jsonFields` wrote; the date and the text are left for the caller to read. A "globalID" that
     * is not exactly an id's hexadecimal digits is left out, so the entry gets a fresh id where it is added.
     */
    static EntryRecord fromJsonFields(const QJsonObject& object);
};

} // namespace wendle
