// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/LookingBack.h"

#include "journal/DayKey.h"
#include "journal/EntryCrypto.h"

#include <QCoreApplication>

namespace wendle {

std::optional<QString> lookBackDayKey(const QString& todayKey, LookBackUnit unit, const Calendar& calendar)
{
    const std::optional<QDateTime> today = dateForDayKey(todayKey, calendar);
    if (!today) {
        return std::nullopt;
    }
    const std::optional<QDateTime> then
        = calendar.adding(unit == LookBackUnit::month ? Calendar::Unit::month : Calendar::Unit::year, -1, *today);
    if (!then) {
        return std::nullopt;
    }
    return calendarDayKey(*then, calendar);
}

QString entryText(const Entry& entry, const EntryKey& key)
{
    try {
        return openEntryText(entry.cipherBody(), key);
    } catch (const std::exception&) {
        return QString();
    }
}

std::optional<ResurfacedItem> resurfacedItem(const QString& label, const std::optional<QString>& dayKey,
                                             const std::vector<Entry*>& entries, const EntryKey& key)
{
    if (!dayKey) {
        return std::nullopt;
    }
    const Entry* chosen = nullptr;
    for (const Entry* entry : entries) {
        if (entry->dayKey() == *dayKey && (!chosen || entry->creditedWords() > chosen->creditedWords())) {
            chosen = entry;
        }
    }
    if (!chosen) {
        return std::nullopt;
    }
    QString text = entryText(*chosen, key);
    if (text.isEmpty()) {
        return std::nullopt;
    }
    return ResurfacedItem{label, chosen, std::move(text)};
}

std::vector<ResurfacedItem> resurfacedItems(const std::vector<Entry*>& entries, const EntryKey& key,
                                            const QDateTime& now, const Calendar& calendar)
{
    const QString today = journalDayKey(now, calendar);
    const std::pair<QString, LookBackUnit> candidates[]
        = {{QCoreApplication::translate("wendle::LookingBack", "one month ago"), LookBackUnit::month},
           {QCoreApplication::translate("wendle::LookingBack", "one year ago"), LookBackUnit::year}};
    std::vector<ResurfacedItem> items;
    for (const auto& [label, unit] : candidates) {
        if (std::optional<ResurfacedItem> item
            = resurfacedItem(label, lookBackDayKey(today, unit, calendar), entries, key)) {
            items.push_back(std::move(*item));
        }
    }
    return items;
}

} // namespace wendle
