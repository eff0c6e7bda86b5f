// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "journal/Calendar.h"

#include <QDateTime>
#include <QString>

#include <array>
#include <optional>

namespace wendle {

/** The hour at which a journal day begins: writing before it belongs to the previous day. */
inline constexpr int journalDayStartHour = 3;

/**
 * The key ("yyyy-mm-dd" in the calendar's own numbers) of the journal day a moment belongs to.
 * Moments from 00:00 to 02:59 belong to the previous calendar day.
 */
QString journalDayKey(const QDateTime& moment, const Calendar& calendar);

/** The key of the calendar day containing `date`, with no day-start shift. */
QString calendarDayKey(const QDateTime& date, const Calendar& calendar);

/**
 * The start of the day a key names, or nothing. The key is split at every "-" (empty pieces dropped),
 * pieces that are not decimal integers are skipped, and exactly three numbers must remain:
 * year, month, day, handed to the calendar unchecked. A date whose own key does not lead back to it (one past
 * the calendar's range) is none.
 */
[[nodiscard]] std::optional<QDateTime> dateForDayKey(const QString& dayKey, const Calendar& calendar);

/** The year, month and day a key names by the parsing rules of `dateForDayKey`, before any calendar sees them. */
[[nodiscard]] std::optional<std::array<qint64, 3>> dayKeyNumbers(QStringView dayKey);

} // namespace wendle
