// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "journal/Calendar.h"

#include <QDateTime>
#include <QString>

namespace wendle {

/**
 * A moment as text in the calendar's locale, from an ICU skeleton naming the fields wanted
 * ("EEEEMMMMd": full weekday, full month and day; "MMMM": the month's name), never a fixed pattern.
 * The locale decides order, punctuation and grammatical forms.
 */
QString formatDate(const QDateTime& moment, const QString& skeleton, const Calendar& calendar);

/** Text in lower case by the rules of the calendar's locale (Turkish dotted and dotless i, for one). */
QString toLowerInLocale(const QString& text, const Calendar& calendar);

/** A whole number with the locale's grouping separators (12,480 in US English). */
QString formatInteger(qint64 value, const Calendar& calendar);

} // namespace wendle
