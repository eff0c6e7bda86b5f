// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/JournalImport.h"

#include "app/PresentEntries.h"
#include "journal/DayKey.h"
#include "journal/EntryCrypto.h"
#include "journal/EntryStore.h"
#include "journal/WordCount.h"
#include "prompts/PromptCategory.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QRegularExpression>

namespace wendle {

namespace {

const QString alreadyWritten = QStringLiteral("this day already has free writing in the journal");

/** Gathers free writing by day, so several sources of one day become one entry as the journal keeps it. */
class FreeformDays
{
public:
    void add(const QString& source, const QDateTime& date, const QString& dayKey, const QString& text)
    {
        auto found = m_days.find(dayKey);
        if (found == m_days.end()) {
            m_days.insert(dayKey,
                          {source, date, dayKey, Entry::freeformPromptID, rawValue(PromptCategory::pages), text, 0});
            return;
        }
        found->source += QStringLiteral(", ") + source;
        found->text += QStringLiteral("\n\n") + text;
    }

    void planInto(ImportPlan& plan, const EntryStore& store) const
    {
        for (ImportedEntry entry : m_days) {
            if (store.firstEntry(entry.dayKey, Entry::freeformPromptID)) {
                plan.skipped.push_back({entry.source, alreadyWritten});
                continue;
            }
            entry.creditedWords = countWords(entry.text);
            plan.entries.push_back(std::move(entry));
        }
    }

private:
    QMap<QString, ImportedEntry> m_days; // by day key, so the plan lists days in order
};

// Names and exports write dates as ISO 8601, which is Gregorian whatever calendar the user keeps.
Calendar gregorianIn(const Calendar& calendar)
{
    return Calendar::make(calendar.localeId().section(u'@', 0, 0) + QStringLiteral("@calendar=gregorian"),
                          calendar.timeZoneId());
}

/** The moment at `hour`:`minute` of the ISO date that starts `name`, read with the Gregorian `calendar`. */
std::optional<QDateTime> dateOfName(const QString& name, const Calendar& calendar, int hour, int minute)
{
    static const QRegularExpression pattern(QStringLiteral("^(\\d{4})-(\\d{2})-(\\d{2})"));
    const QRegularExpressionMatch match = pattern.match(name);
    if (!match.hasMatch()) {
        return std::nullopt;
    }
    const int year = match.captured(1).toInt();
    const int month = match.captured(2).toInt();
    const int day = match.captured(3).toInt();
    if (month < 1 || month > 12 || day < 1 || day > 31) {
        return std::nullopt;
    }
    std::optional<QDateTime> date = calendar.date(year, month, day, hour, minute);
    // Rolled-over fields (30 February) name another day: that is not the day the name says.
    if (!date || calendarDayKey(*date, calendar) != name.left(10)) {
        return std::nullopt;
    }
    return date;
}

void planWendleEntry(const QJsonObject& object, const QString& source, PresentEntries& present, ImportPlan& plan)
{
    const QDateTime date = QDateTime::fromString(object.value(QStringLiteral("date")).toString(), Qt::ISODateWithMs);
    const QString dayKey = object.value(QStringLiteral("dayKey")).toString();
    const QString promptID = object.value(QStringLiteral("promptID")).toString();
    const QJsonValue text = object.value(QStringLiteral("text"));
    if (!date.isValid() || !dayKeyNumbers(dayKey) || promptID.isEmpty()) {
        plan.skipped.push_back({source, QStringLiteral("its date, day or prompt is missing or malformed")});
    } else if (!text.isString()) {
        plan.skipped.push_back({source, QStringLiteral("its text was not readable when it was exported")});
    } else if (present.contains(date.toUTC(), dayKey, promptID)) {
        plan.skipped.push_back({source, QStringLiteral("already in the journal")});
    } else {
        present.add(date.toUTC(), dayKey, promptID);
        plan.entries.push_back({source, date.toUTC(), dayKey, promptID,
                                object.value(QStringLiteral("category")).toString(), text.toString(),
                                object.value(QStringLiteral("words")).toInteger(countWords(text.toString()))});
    }
}

} // namespace

ImportPlan planFolderImport(const QString& folder, const EntryStore& store, const Calendar& calendar)
{
    ImportPlan plan;
    FreeformDays days;
    const Calendar gregorian = gregorianIn(calendar);
    const QStringList names = QDir(folder).entryList({QStringLiteral("*.txt"), QStringLiteral("*.md")},
                                                     QDir::Files | QDir::Readable, QDir::Name);
    for (const QString& name : names) {
        const std::optional<QDateTime> noon = dateOfName(name, gregorian, 12, 0);
        if (!noon) {
            plan.skipped.push_back({name, QStringLiteral("its name does not start with a date (YYYY-MM-DD)")});
            continue;
        }
        QFile file(QDir(folder).filePath(name));
        if (!file.open(QIODevice::ReadOnly)) {
            plan.skipped.push_back({name, QStringLiteral("it could not be read")});
            continue;
        }
        const QString text = QString::fromUtf8(file.readAll()).trimmed();
        if (text.isEmpty()) {
            plan.skipped.push_back({name, QStringLiteral("it is empty")});
            continue;
        }
        days.add(name, *noon, journalDayKey(*noon, calendar), text);
    }
    days.planInto(plan, store);
    return plan;
}

ImportPlan planJsonImport(const QByteArray& json, const QString& source, const EntryStore& store,
                          const Calendar& calendar)
{
    ImportPlan plan;
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
    const QJsonValue entries = document.object().value(QStringLiteral("entries"));
    if (!entries.isArray()) {
        plan.skipped.push_back({source,
                                parseError.error != QJsonParseError::NoError
                                    ? QStringLiteral("it is not valid JSON (%1)").arg(parseError.errorString())
                                    : QStringLiteral("it has no list of entries")});
        return plan;
    }
    PresentEntries present(store);
    FreeformDays days;
    const Calendar gregorian = gregorianIn(calendar);
    int number = 0;
    for (const QJsonValue& value : entries.toArray()) {
        const QString name = QStringLiteral("%1, entry %2").arg(source).arg(++number);
        const QJsonObject object = value.toObject();
        if (object.contains(QStringLiteral("dayKey"))) {
            planWendleEntry(object, name, present, plan);
            continue;
        }
        const QString time = object.value(QStringLiteral("time")).toString(QStringLiteral("12:00"));
        const QStringList clock = time.split(u':');
        const QString dateText = object.value(QStringLiteral("date")).toString();
        const std::optional<QDateTime> date = clock.size() >= 2 && dateText.size() == 10
            ? dateOfName(dateText, gregorian, clock[0].toInt(), clock[1].toInt())
            : std::nullopt;
        if (!date) {
            plan.skipped.push_back({name, QStringLiteral("it has no valid date and time")});
            continue;
        }
        const QString title = object.value(QStringLiteral("title")).toString().trimmed();
        const QString body = object.value(QStringLiteral("body")).toString().trimmed();
        const QString text = body.isEmpty() ? title : title.isEmpty() ? body : title + u'\n' + body;
        if (text.isEmpty()) {
            plan.skipped.push_back({name, QStringLiteral("it has no text")});
            continue;
        }
        days.add(name, *date, journalDayKey(*date, calendar), text);
    }
    days.planInto(plan, store);
    return plan;
}

bool applyImport(const ImportPlan& plan, EntryStore& store, const EntryKey& key, QString* error)
{
    std::vector<QByteArray> bodies;
    bodies.reserve(plan.entries.size());
    try {
        for (const ImportedEntry& entry : plan.entries) {
            bodies.push_back(sealEntryText(entry.text, key));
        }
    } catch (const std::exception&) {
        *error = QStringLiteral("the entries could not be sealed with this journal's key");
        return false;
    }
    std::vector<NewEntry> fields;
    fields.reserve(plan.entries.size());
    for (std::size_t i = 0; i < plan.entries.size(); ++i) {
        const ImportedEntry& entry = plan.entries[i];
        fields.push_back(
            {entry.date, entry.dayKey, entry.promptID, entry.categoryRaw, std::move(bodies[i]), entry.creditedWords});
    }
    store.insert(fields);
    if (!store.save()) {
        *error = store.saveFailure();
        return false;
    }
    return true;
}

} // namespace wendle
