// SPDX-License-Identifier: GPL-3.0-or-later
#include "transfer/IncomingEntry.h"

#include "journal/DayKey.h"
#include "transfer/EntryRecord.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <QStringDecoder>

namespace wendle {

IncomingEntry::IncomingEntry(Calendar calendar, const QDateTime& now)
    : m_calendar(std::move(calendar))
    , m_todayStart(dateForDayKey(journalDayKey(now, m_calendar), m_calendar).value_or(now))
{
}

std::optional<QString> IncomingEntry::dayKeyRefusal(const QString& dayKey) const
{
    static const QRegularExpression shape(QStringLiteral("^\\d{4}-\\d{2}-\\d{2}$"));
    // The shape alone keeps a key from ever being more than a date, wherever it ends up (a file name, say).
    if (!shape.match(dayKey).hasMatch()) {
        //: Why an entry is refused (follows "Skips <entry>: ").
        return QCoreApplication::translate("wendle::IncomingEntry", "its day is not a date (YYYY-MM-DD)");
    }
    const std::optional<QDateTime> start = dateForDayKey(dayKey, m_calendar);
    if (!start || calendarDayKey(*start, m_calendar) != dayKey) {
        //: Why an entry is refused; %1 is a date (YYYY-MM-DD).
        return QCoreApplication::translate("wendle::IncomingEntry", "%1 is not a real day").arg(dayKey);
    }
    if (*start > m_todayStart) {
        //: Why an entry is refused; %1 is a date (YYYY-MM-DD).
        return QCoreApplication::translate("wendle::IncomingEntry", "%1 is after today").arg(dayKey);
    }
    return std::nullopt;
}

std::optional<QString> IncomingEntry::refusal(const EntryRecord& record) const
{
    if (std::optional<QString> day = dayKeyRefusal(record.dayKey)) {
        return day;
    }
    if (!isPromptID(record.promptID)) {
        return QCoreApplication::translate("wendle::IncomingEntry", "its prompt id is not one Wendle uses");
    }
    if (!isCategoryRaw(record.categoryRaw)) {
        return QCoreApplication::translate("wendle::IncomingEntry", "its category is not a category name");
    }
    return std::nullopt;
}

bool IncomingEntry::isPromptID(const QString& id)
{
    static const QRegularExpression allowed(QStringLiteral("^[a-z0-9-]{1,%1}$").arg(maxPromptIDLength));
    return allowed.match(id).hasMatch();
}

bool IncomingEntry::isCategoryRaw(const QString& raw)
{
    static const QRegularExpression allowed(QStringLiteral("^[a-z]{1,32}$"));
    return allowed.match(raw).hasMatch();
}

DecodedText decodeIncomingText(const QByteArray& bytes)
{
    QStringDecoder decode(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decode(bytes);
    return {withLineFeeds(std::move(text)), decode.hasError()};
}

QString withLineFeeds(QString text)
{
    return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

QString replacedBytesNote()
{
    //: What is worth a look in a file (follows "Note on <file>: ").
    return QCoreApplication::translate("wendle::IncomingEntry",
                                       "contains bytes that are not UTF-8; they were replaced");
}

} // namespace wendle
