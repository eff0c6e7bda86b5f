// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "journal/Calendar.h"

#include <QString>

#include <optional>

namespace wendle {

/**
 * File names, titles and the dates in exported files are ISO 8601, which is Gregorian whatever calendar the
 * user keeps; day keys are in the user's own calendar. These convert between the two.
 */

/** `calendar` with the Gregorian system, in the same locale and time zone. */
Calendar gregorianIn(const Calendar& calendar);

/** The ISO date ("2023-06-01") of the day `dayKey` names in `calendar`; nothing when it names no day. */
std::optional<QString> isoDateOfDayKey(const QString& dayKey, const Calendar& calendar);

/** The day key in `calendar` of the day an ISO date names; nothing when it is not a real day. */
std::optional<QString> dayKeyOfIsoDate(const QString& isoDate, const Calendar& calendar);

} // namespace wendle
