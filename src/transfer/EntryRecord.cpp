// SPDX-License-Identifier: GPL-3.0-or-later
#include "transfer/EntryRecord.h"

#include "journal/Entry.h"
#include "journal/EntryCrypto.h"

namespace wendle {

EntryRecord EntryRecord::of(const Entry& entry, const EntryKey& key)
{
    EntryRecord record{entry.date(),        entry.dayKey(),        entry.promptID(),
                       entry.categoryRaw(), entry.creditedWords(), std::nullopt};
    try {
        record.text = openEntryText(entry.cipherBody(), key);
    } catch (const std::exception&) {
    }
    return record;
}

NewEntry EntryRecord::sealedAs(QByteArray cipherBody) const
{
    return {date, dayKey, promptID, categoryRaw, std::move(cipherBody), creditedWords};
}

QJsonObject EntryRecord::jsonFields() const
{
    return {{QStringLiteral("dayKey"), dayKey},
            {QStringLiteral("promptID"), promptID},
            {QStringLiteral("category"), categoryRaw},
            {QStringLiteral("words"), creditedWords}};
}

EntryRecord EntryRecord::fromJsonFields(const QJsonObject& object)
{
    EntryRecord record;
    record.dayKey = object.value(QStringLiteral("dayKey")).toString();
    record.promptID = object.value(QStringLiteral("promptID")).toString();
    record.categoryRaw = object.value(QStringLiteral("category")).toString();
    record.creditedWords = object.value(QStringLiteral("words")).toInteger();
    return record;
}

} // namespace wendle
