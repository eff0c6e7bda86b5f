// SPDX-License-Identifier: GPL-3.0-or-later
#include "transfer/JournalImport.h"

#include "journal/DayKey.h"
#include "journal/EntryCrypto.h"
#include "journal/EntryStore.h"
#include "journal/WordCount.h"
#include "prompts/PromptCategory.h"
#include "transfer/IncomingEntry.h"
#include "transfer/IsoDays.h"
#include "transfer/MarkdownDay.h"
#include "transfer/PresentEntries.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QRegularExpression>

#include <algorithm>

namespace wendle {

namespace {

/** One piece of writing from a file: a folder file, a jrnl entry, or an entry of Wendle's own export. */
struct WritingPart
{
    QString source;
    QDateTime date;
    QString categoryRaw;
    QString text;
    /** A dated file or a jrnl entry: writing without a prompt, which becomes free writing. */
    bool madeFreeWriting = false;
    /** The global id an entry of Wendle's export carried, new to the journal; empty otherwise. */
    QByteArray globalId = {};
};

/**
 * Gathers writing by journal day and prompt, so that a day keeps one entry per prompt and one of free writing as
 * the journal does: several sources of one day and prompt become one entry, text the journal already has is not
 * added twice, and new text for an entry the journal has is added after what it holds.
 */
class DayEntries
{
public:
    void add(const QString& dayKey, const QString& promptID, WritingPart part)
    {
        m_days[{dayKey, promptID}].push_back(std::move(part));
    }

    void planInto(ImportPlan& plan, const EntryStore& store, const EntryKey& key) const
    {
        for (auto day = m_days.cbegin(); day != m_days.cend(); ++day) {
            const auto& [dayKey, promptID] = day.key();
            std::vector<WritingPart> parts = day.value();
            std::stable_sort(parts.begin(), parts.end(),
                             [](const WritingPart& a, const WritingPart& b) { return a.date < b.date; });
            Entry* present = store.firstEntry(dayKey, promptID);
            QString known;
            if (present) {
                try {
                    known = openEntryText(present->cipherBody(), key);
                } catch (const std::exception&) {
                    for (const WritingPart& part : parts) {
                        plan.skipped.push_back(
                            {part.source,
                             QCoreApplication::translate("wendle::JournalImport",
                                                         "the day's entry it belongs to could not be opened with "
                                                         "this journal's key")});
                    }
                    continue;
                }
            }
            QStringList sources;
            QStringList texts;
            bool madeFreeWriting = false;
            for (const WritingPart& part : parts) {
                // Nothing is added twice; an empty text is an entry of its own only where there is none yet.
                if (part.text.isEmpty() ? present != nullptr : known.contains(part.text)) {
                    //: Why a file or entry is skipped (follows "Skips <file>: ").
                    plan.skipped.push_back({part.source,
                                            QCoreApplication::translate("wendle::JournalImport",
                                                                        "its text is already in this day's entry")});
                    continue;
                }
                known += QStringLiteral("\n\n") + part.text;
                sources << part.source;
                texts << part.text;
                madeFreeWriting = madeFreeWriting || part.madeFreeWriting;
            }
            if (texts.isEmpty()) {
                continue;
            }
            const QString text = texts.join(QStringLiteral("\n\n"));
            EntryRecord record{present ? present->date() : parts.front().date,
                               dayKey,
                               promptID,
                               present ? present->categoryRaw() : parts.front().categoryRaw,
                               countWords(text),
                               text};
            // A new entry keeps the id it came with; text added to a present entry goes under that entry's own.
            if (!present) {
                record.globalId = parts.front().globalId;
            }
            plan.entries.push_back({record, sources.join(QStringLiteral(", ")), present, madeFreeWriting});
        }
    }

private:
    QMap<std::pair<QString, QString>, std::vector<WritingPart>> m_days; // ordered, so the plan lists days in order
};

/** Plans the entries of Wendle's own exports, each checked on its own before any of it is trusted. Their credited
 *  words are counted from their text once they are gathered by day. */
class WendleEntries
{
public:
    WendleEntries(const EntryStore& store, const IncomingEntry& checks, DayEntries& days)
        : m_present(store)
        , m_checks(checks)
        , m_days(days)
    {
    }

    void plan(const EntryRecord& record, const QString& source, ImportPlan& plan)
    {
        if (const std::optional<QString> refusal = refusalOf(record)) {
            plan.skipped.push_back({source, *refusal});
            return;
        }
        if (m_present.contains(record)) {
            plan.skipped.push_back(
                {source, QCoreApplication::translate("wendle::JournalImport", "already in the journal")});
            return;
        }
        m_present.add(record);
        m_days.add(record.dayKey, record.promptID,
                   {source, record.date, record.categoryRaw, withLineFeeds(*record.text), false, record.globalId});
    }

private:
    std::optional<QString> refusalOf(const EntryRecord& record) const
    {
        if (!record.date.isValid()) {
            return QCoreApplication::translate("wendle::JournalImport", "its date is missing or malformed");
        }
        if (std::optional<QString> refusal = m_checks.refusal(record)) {
            return refusal;
        }
        if (!record.text) {
            return QCoreApplication::translate("wendle::JournalImport",
                                               "its text was not readable when it was exported");
        }
        return std::nullopt;
    }

    PresentEntries m_present;
    const IncomingEntry& m_checks;
    DayEntries& m_days;
};

/** The date a file name or a jrnl entry starts with, or why there is none. */
std::variant<QDateTime, QString> dateOfName(const QString& name, const Calendar& gregorian, int hour, int minute)
{
    static const QRegularExpression pattern(QStringLiteral("^\\d{4}-\\d{2}-\\d{2}"));
    if (!pattern.match(name).hasMatch()) {
        return QCoreApplication::translate("wendle::JournalImport", "it does not start with a date (YYYY-MM-DD)");
    }
    const QString isoDate = name.left(10);
    const std::optional<QDateTime> start = dateForDayKey(isoDate, gregorian);
    std::optional<QDateTime> date;
    if (start && calendarDayKey(*start, gregorian) == isoDate) {
        const DateComponents day = gregorian.components(*start);
        date = gregorian.date(day.year, day.month, day.day, hour, minute);
    }
    if (!date || calendarDayKey(*date, gregorian) != isoDate) {
        //: Why a file is skipped; %1 is a date (YYYY-MM-DD).
        return QCoreApplication::translate("wendle::JournalImport", "%1 is not a real day").arg(isoDate);
    }
    return *date;
}

/** A jrnl entry's "HH:MM", or nothing. */
std::optional<std::pair<int, int>> clockOf(const QString& time)
{
    static const QRegularExpression pattern(QStringLiteral("^(\\d{1,2}):(\\d{2})"));
    const QRegularExpressionMatch match = pattern.match(time);
    const int hour = match.captured(1).toInt();
    const int minute = match.captured(2).toInt();
    if (!match.hasMatch() || hour > 23 || minute > 59) {
        return std::nullopt;
    }
    return std::pair{hour, minute};
}

void planMarkdownDay(const MarkdownDay& day, const QString& name, const IsoDays& isoDays, WendleEntries& wendle,
                     ImportPlan& plan)
{
    const QString dayKey = isoDays.dayKeyOf(day.isoDate).value_or(day.isoDate);
    int number = 0;
    for (const MarkdownDayEntry& entry : day.entries) {
        EntryRecord record{entry.date, dayKey, entry.promptID, entry.categoryRaw, 0, std::nullopt, entry.globalId};
        if (!entry.unreadable) {
            record.text = entry.text;
        }
        //: Names an entry of an imported file: %1 is the file, %2 the entry's number in it.
        wendle.plan(record,
                    QCoreApplication::translate("wendle::JournalImport", "%1, entry %2").arg(name).arg(++number), plan);
    }
}

void planJrnlEntry(const QJsonObject& object, const QString& source, const Calendar& calendar,
                   const Calendar& gregorian, const IncomingEntry& checks, DayEntries& days, ImportPlan& plan)
{
    const std::optional<std::pair<int, int>> clock
        = clockOf(object.value(QStringLiteral("time")).toString(QStringLiteral("12:00")));
    const QString dateText = object.value(QStringLiteral("date")).toString();
    if (!clock || dateText.size() != 10) {
        plan.skipped.push_back(
            {source, QCoreApplication::translate("wendle::JournalImport", "it has no valid date and time")});
        return;
    }
    const std::variant<QDateTime, QString> date = dateOfName(dateText, gregorian, clock->first, clock->second);
    if (const QString* refusal = std::get_if<QString>(&date)) {
        plan.skipped.push_back({source, *refusal});
        return;
    }
    const QDateTime moment = std::get<QDateTime>(date);
    const QString dayKey = journalDayKey(moment, calendar);
    if (std::optional<QString> refusal = checks.dayKeyRefusal(dayKey)) {
        plan.skipped.push_back({source, *refusal});
        return;
    }
    const QString title = withLineFeeds(object.value(QStringLiteral("title")).toString()).trimmed();
    const QString body = withLineFeeds(object.value(QStringLiteral("body")).toString()).trimmed();
    const QString text = body.isEmpty() ? title : title.isEmpty() ? body : title + u'\n' + body;
    if (text.isEmpty()) {
        plan.skipped.push_back({source, QCoreApplication::translate("wendle::JournalImport", "it has no text")});
        return;
    }
    days.add(dayKey, Entry::freeformPromptID, {source, moment, rawValue(PromptCategory::pages), text, true});
}

} // namespace

ImportPlan planFolderImport(const FolderContents& folder, const EntryStore& store, const EntryKey& key,
                            const Calendar& calendar, const QDateTime& now)
{
    ImportPlan plan;
    plan.skipped = folder.skipped;
    const IncomingEntry checks(calendar, now);
    const IsoDays isoDays(calendar);
    const Calendar& gregorian = isoDays.gregorian();
    DayEntries days;
    WendleEntries wendle(store, checks, days);
    for (const ImportFile& file : folder.files) {
        const std::variant<QDateTime, QString> noon = dateOfName(file.name, gregorian, 12, 0);
        if (const QString* refusal = std::get_if<QString>(&noon)) {
            //: Why a file is skipped: %1 says what is wrong with the date its name starts with.
            plan.skipped.push_back(
                {file.name, QCoreApplication::translate("wendle::JournalImport", "its name: %1").arg(*refusal)});
            continue;
        }
        if (file.replacedBytes) {
            plan.notes.push_back({file.name, replacedBytesNote()});
        }
        if (const std::optional<MarkdownDay> day = parseMarkdownDay(file.text)) {
            planMarkdownDay(*day, file.name, isoDays, wendle, plan);
            continue;
        }
        const QString text = file.text.trimmed();
        const QString dayKey = journalDayKey(std::get<QDateTime>(noon), calendar);
        if (text.isEmpty()) {
            plan.skipped.push_back({file.name, QCoreApplication::translate("wendle::JournalImport", "it is empty")});
        } else if (std::optional<QString> refusal = checks.dayKeyRefusal(dayKey)) {
            plan.skipped.push_back({file.name, *refusal});
        } else {
            days.add(dayKey, Entry::freeformPromptID,
                     {file.name, std::get<QDateTime>(noon), rawValue(PromptCategory::pages), text, true});
        }
    }
    days.planInto(plan, store, key);
    return plan;
}

JsonImportFile parseJsonImport(const QByteArray& json, const QString& source)
{
    // Decoded first, so bytes that are not UTF-8 are replaced in the open and said in the preview.
    const DecodedText decoded = decodeIncomingText(json);
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(decoded.text.toUtf8(), &parseError);
    const QJsonValue entries = document.object().value(QStringLiteral("entries"));
    if (entries.isArray()) {
        return {source, entries.toArray(), {}, decoded.replacedBytes};
    }
    if (parseError.error != QJsonParseError::NoError) {
        return {source,
                {},
                //: Why a file is skipped; %1 is what the JSON reader said.
                QCoreApplication::translate("wendle::JournalImport", "it is not valid JSON (%1)")
                    .arg(parseError.errorString()),
                decoded.replacedBytes};
    }
    return {source,
            {},
            QCoreApplication::translate("wendle::JournalImport", "it has no list of entries"),
            decoded.replacedBytes};
}

ImportPlan planJsonImport(const JsonImportFile& file, const EntryStore& store, const EntryKey& key,
                          const Calendar& calendar, const QDateTime& now)
{
    ImportPlan plan;
    if (file.replacedBytes) {
        plan.notes.push_back({file.source, replacedBytesNote()});
    }
    if (!file.problem.isEmpty()) {
        plan.skipped.push_back({file.source, file.problem});
        return plan;
    }
    const IncomingEntry checks(calendar, now);
    const IsoDays isoDays(calendar);
    const Calendar& gregorian = isoDays.gregorian();
    DayEntries days;
    WendleEntries wendle(store, checks, days);
    int number = 0;
    for (const QJsonValue& value : file.entries) {
        //: Names an entry of an imported file: %1 is the file, %2 the entry's number in it.
        const QString name
            = QCoreApplication::translate("wendle::JournalImport", "%1, entry %2").arg(file.source).arg(++number);
        const QJsonObject object = value.toObject();
        if (!object.contains(QStringLiteral("dayKey"))) {
            planJrnlEntry(object, name, calendar, gregorian, checks, days, plan);
            continue;
        }
        EntryRecord record = EntryRecord::fromJsonFields(object);
        record.date = QDateTime::fromString(object.value(QStringLiteral("date")).toString(), Qt::ISODateWithMs).toUTC();
        if (const QJsonValue text = object.value(QStringLiteral("text")); text.isString()) {
            record.text = text.toString();
        }
        wendle.plan(record, name, plan);
    }
    days.planInto(plan, store, key);
    return plan;
}

bool applyImport(const ImportPlan& plan, EntryStore& store, const EntryKey& key, const QDateTime& now,
                 const Calendar& calendar, QString* error)
{
    const QString today = journalDayKey(now, calendar);
    std::vector<QByteArray> bodies;
    std::vector<qint64> credits;
    bodies.reserve(plan.entries.size());
    try {
        for (const ImportedEntry& entry : plan.entries) {
            const QString& added = entry.record.text.value();
            if (!entry.addTo) {
                bodies.push_back(sealEntryText(added, key));
                credits.push_back(entry.record.creditedWords);
                continue;
            }
            // What the entry holds now, which may have grown since the preview.
            const QString text = openEntryText(entry.addTo->cipherBody(), key) + QStringLiteral("\n\n") + added;
            bodies.push_back(sealEntryText(text, key));
            credits.push_back(entry.record.dayKey == today ? countWords(text) : entry.addTo->creditedWords());
        }
    } catch (const std::exception&) {
        *error = QCoreApplication::translate("wendle::JournalImport",
                                             "the entries could not be sealed with this journal's key");
        return false;
    }
    std::vector<NewEntry> fields;
    for (std::size_t i = 0; i < plan.entries.size(); ++i) {
        const ImportedEntry& entry = plan.entries[i];
        if (entry.addTo) {
            store.replaceBody(entry.addTo, bodies[i], key);
            store.setCreditedWords(entry.addTo, credits[i]);
        } else {
            fields.push_back(entry.record.sealedAs(std::move(bodies[i])));
        }
    }
    store.insert(fields);
    if (!store.save()) {
        *error = store.saveFailure();
        return false;
    }
    return true;
}

} // namespace wendle
