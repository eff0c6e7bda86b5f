// SPDX-License-Identifier: GPL-3.0-or-later
#include "journal/DateText.h"

#include <unicode/calendar.h>
#include <unicode/dtptngen.h>
#include <unicode/numfmt.h>
#include <unicode/smpdtfmt.h>

#include <QHash>
#include <QMutex>

#include <memory>
#include <optional>

namespace wendle {

namespace {

QString fromIcu(const icu::UnicodeString& text)
{
    return QString(reinterpret_cast<const QChar*>(text.getBuffer()), text.length());
}

// The locale's pattern for a skeleton. Building a pattern generator loads the locale's data, so each
// (locale, skeleton) pair is worked out once; screens format dates on every redraw.
std::optional<icu::UnicodeString> bestPattern(const Calendar& calendar, const QString& skeleton)
{
    static QMutex mutex;
    static QHash<QString, icu::UnicodeString> patterns;
    const QString key = calendar.localeId() + u'\n' + skeleton;
    QMutexLocker locker(&mutex);
    if (const auto found = patterns.constFind(key); found != patterns.constEnd()) {
        return *found;
    }
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::DateTimePatternGenerator> generator(
        icu::DateTimePatternGenerator::createInstance(calendar.icuLocale(), status));
    if (U_FAILURE(status)) {
        return std::nullopt;
    }
    const icu::UnicodeString pattern = generator->getBestPattern(
        icu::UnicodeString(reinterpret_cast<const UChar*>(skeleton.utf16()), static_cast<int32_t>(skeleton.size())),
        status);
    if (U_FAILURE(status)) {
        return std::nullopt;
    }
    patterns.insert(key, pattern);
    return pattern;
}

} // namespace

QString formatDate(const QDateTime& moment, const QString& skeleton, const Calendar& calendar)
{
    const std::optional<icu::UnicodeString> pattern = bestPattern(calendar, skeleton);
    if (!pattern) {
        return QString();
    }
    UErrorCode status = U_ZERO_ERROR;
    icu::SimpleDateFormat format(*pattern, calendar.icuLocale(), status);
    if (U_FAILURE(status)) {
        return QString();
    }
    // The calendar carries the system's zone rules and the user's calendar system.
    format.adoptCalendar(calendar.icuCalendar(moment).release());
    icu::UnicodeString text;
    format.format(static_cast<UDate>(moment.toMSecsSinceEpoch()), text);
    return fromIcu(text);
}

QString toLowerInLocale(const QString& text, const Calendar& calendar)
{
    icu::UnicodeString icuText(reinterpret_cast<const UChar*>(text.utf16()), static_cast<int32_t>(text.size()));
    return fromIcu(icuText.toLower(calendar.icuLocale()));
}

QString formatInteger(qint64 value, const Calendar& calendar)
{
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::NumberFormat> format(icu::NumberFormat::createInstance(calendar.icuLocale(), status));
    if (U_FAILURE(status)) {
        return QString::number(value);
    }
    format->setGroupingUsed(true);
    format->setMaximumFractionDigits(0);
    icu::UnicodeString text;
    format->format(static_cast<int64_t>(value), text);
    return fromIcu(text);
}

} // namespace wendle
