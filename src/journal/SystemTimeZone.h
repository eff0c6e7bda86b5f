// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <memory>

#include <unicode/uversion.h>

U_NAMESPACE_BEGIN
class TimeZone;
U_NAMESPACE_END

namespace wendle {

/**
 * The id of the user's current time zone, read afresh from the system at each call
 * (TZ, then /etc/localtime), so a changed zone is seen at once.
 */
QString systemTimeZoneId();

/**
 * An ICU time zone whose offsets come from the system's tz database rather than from ICU's
 * built-in copy, which lags behind rule changes (Mexico's abolished daylight-saving time, for one).
 * The rules are read once per zone id and cached; each call returns a fresh clone the caller owns, from any thread.
 * An id the system does not know falls back to ICU's own zone of that id, and then to UTC.
 */
[[nodiscard]] std::unique_ptr<icu::TimeZone> systemRulesTimeZone(const QString& zoneId);

/**
 * Whether the zone ever moves its clocks forward by a whole day or more, so that a calendar date never
 * happens there (Samoa's 30 December 2011). Unknown zones count as skipping.
 */
bool zoneSkipsWholeDays(const QString& zoneId);

} // namespace wendle
