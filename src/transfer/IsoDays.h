// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "journal/Calendar.h"

#include <QString>

#include <optional>

namespace wendle {

/**
 * File names, titles and the dates in exported files are ISO 8601, which is Gregorian whatever calendar the
 * user keeps; day keys are in the user's own calendar. This converts between the two, with both calendars made
 * once for a whole export or import.
 */
class IsoDays
{
public:
    explicit IsoDays(const Calendar& calendar);

    /** The user's calendar with the Gregorian system, in the same locale and time zone. */
    const Calendar& gregorian() const { return m_gregorian; }

    /** The ISO date ("2023-06-01") of the day `dayKey` names; nothing when it names no day. */
    std::optional<QString> isoDateOf(const QString& dayKey) const;

    /** The day key of the day an ISO date names; nothing when it is not a real day. */
    std::optional<QString> dayKeyOf(const QString& isoDate) const;

private:
    Calendar m_calendar;
    Calendar m_gregorian;
};

} // namespace wendle
