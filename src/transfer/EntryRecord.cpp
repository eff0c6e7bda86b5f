// SPDX-License-Identifier: GPL-3.0-or-later
#include "transfer/EntryRecord.h"

#include "journal/Entry.h"
#include "journal/EntryCrypto.h"
#include "journal/SyncId.h"

namespace wendle {

EntryRecord EntryRecord::of(const Entry& entry, const EntryKey& key)
{
    EntryRecord record{entry.date(),          entry.dayKey(), entry.promptID(), entry.categoryRaw(),
                       entry.creditedWords(), std::nullopt,   entry.globalId()};
    try {
        record.text = openEntryText(entry.cipherBody(), key);
    } catch (const std::exception&) {
    }
    return record;
}

NewEntry EntryRecord::sealedAs(QByteArray cipherBody) const
{
    return {date, dayKey, promptID, categoryRaw, std::move(cipherBody), creditedWords, globalId};
}

QJsonObject EntryRecord::jsonFields() const
{
    QJsonObject fields{{QStringLiteral("dayKey"), dayKey},
                       {QStringLiteral("promptID"), promptID},
                       {QStringLiteral("category"), categoryRaw},
                       {QStringLiteral("words"), creditedWords}};
    if (SyncId::isValid(globalId)) {
        fields.insert(QStringLiteral("globalID"), SyncId::toHex(globalId));
    }
    return fields;
}

EntryRecord EntryRecord::fromJsonFields(const QJsonObject& object)
{
    EntryRecord record;
    record.dayKey = object.value(QStringLiteral("dayKey")).toString();
    record.promptID = object.value(QStringLiteral("promptID")).toString();
    record.categoryRaw = object.value(QStringLiteral("category")).toString();
    record.creditedWords = object.value(QStringLiteral("words")).toInteger();
    record.globalId = SyncId::fromHex(object.value(QStringLiteral("globalID")).toString()).value_or(QByteArray());
    return record;
}

} // namespace wendle
