// SPDX-License-Identifier: GPL-3.0-or-later
#include "journal/SystemTimeZone.h"

#include <QDateTime>
#include <QHash>
#include <QMutex>
#include <QTimeZone>

#include <unicode/rbtz.h>
#include <unicode/simpletz.h>
#include <unicode/timezone.h>
#include <unicode/tzrule.h>

#include <map>
#include <vector>

namespace wendle {

namespace {

// The span over which the system's transitions are copied. Before it the zone keeps the offsets that
// precede its first transition, after it the offsets of its last; journals live well inside it.
const QDateTime kRulesFrom = QDateTime(QDate(1900, 1, 1), QTime(0, 0), Qt::UTC);
const QDateTime kRulesUntil = QDateTime(QDate(2100, 1, 1), QTime(0, 0), Qt::UTC);

struct ZoneState
{
    int rawMs;
    int dstMs;
    bool operator<(const ZoneState& other) const
    {
        return rawMs != other.rawMs ? rawMs < other.rawMs : dstMs < other.dstMs;
    }
    bool operator==(const ZoneState& other) const = default;
};

ZoneState stateOf(const QTimeZone::OffsetData& data)
{
    // Only the sum is certain in the tz database; keep it exact and split it the way the system does.
    const int total = data.offsetFromUtc;
    int dst = data.daylightTimeOffset;
    if (dst == std::numeric_limits<int>::min() || data.standardTimeOffset == std::numeric_limits<int>::min()) {
        dst = 0;
    }
    return {(total - dst) * 1000, dst * 1000};
}

icu::UnicodeString icuString(const QString& text)
{
    return icu::UnicodeString(reinterpret_cast<const UChar*>(text.utf16()), static_cast<int32_t>(text.size()));
}

struct CachedZone
{
    std::shared_ptr<const icu::TimeZone> zone;
    bool skipsWholeDays = true;
};

std::unique_ptr<icu::TimeZone> buildFromSystem(const QString& zoneId, bool* skipsWholeDays)
{
    const QTimeZone zone(zoneId.toUtf8());
    if (!zone.isValid()) {
        return nullptr;
    }
    *skipsWholeDays = false;
    const icu::UnicodeString id = icuString(zoneId);
    const QTimeZone::OffsetDataList transitions = zone.transitions(kRulesFrom, kRulesUntil);
    if (transitions.isEmpty()) {
        const int offset = zone.offsetFromUtc(kRulesFrom);
        return std::make_unique<icu::SimpleTimeZone>(offset * 1000, id);
    }

    const ZoneState initial = stateOf(zone.offsetData(transitions.first().atUtc.addSecs(-1)));
    std::map<ZoneState, std::vector<UDate>> startsByState;
    ZoneState current = initial;
    for (const QTimeZone::OffsetData& transition : transitions) {
        const ZoneState next = stateOf(transition);
        if (next == current) {
            continue; // only the abbreviation changed
        }
        if ((next.rawMs + next.dstMs) - (current.rawMs + current.dstMs) >= 24 * 3600 * 1000) {
            *skipsWholeDays = true;
        }
        startsByState[next].push_back(static_cast<UDate>(transition.atUtc.toMSecsSinceEpoch()));
        current = next;
    }

    auto* initialRule = new icu::InitialTimeZoneRule(id + u"(initial)", initial.rawMs, initial.dstMs);
    auto rules = std::make_unique<icu::RuleBasedTimeZone>(id, initialRule);
    UErrorCode status = U_ZERO_ERROR;
    int ruleNumber = 0;
    for (const auto& [state, starts] : startsByState) {
        auto* rule = new icu::TimeArrayTimeZoneRule(id + icu::UnicodeString(u"#") + icu::UnicodeString(ruleNumber++),
                                                    state.rawMs, state.dstMs, starts.data(),
                                                    static_cast<int32_t>(starts.size()), icu::DateTimeRule::UTC_TIME);
        rules->addTransitionRule(rule, status);
    }
    rules->complete(status);
    if (U_FAILURE(status)) {
        return nullptr;
    }
    return rules;
}

std::unique_ptr<icu::TimeZone> buildFallback(const QString& zoneId)
{
    std::unique_ptr<icu::TimeZone> zone(icu::TimeZone::createTimeZone(icuString(zoneId)));
    if (*zone == icu::TimeZone::getUnknown()) {
        return std::unique_ptr<icu::TimeZone>(icu::TimeZone::getGMT()->clone());
    }
    return zone;
}

} // namespace

QString systemTimeZoneId()
{
    const QByteArray id = QTimeZone::systemTimeZoneId();
    return id.isEmpty() ? QStringLiteral("UTC") : QString::fromUtf8(id);
}

namespace {

// A copy: it shares the zone, so it stays valid however the cache grows meanwhile on another thread.
CachedZone cachedZone(const QString& zoneId)
{
    static QMutex mutex;
    static QHash<QString, CachedZone> cache;

    QMutexLocker locker(&mutex);
    auto found = cache.constFind(zoneId);
    if (found == cache.constEnd()) {
        CachedZone entry;
        std::unique_ptr<icu::TimeZone> built = buildFromSystem(zoneId, &entry.skipsWholeDays);
        if (!built) {
            built = buildFallback(zoneId);
            entry.skipsWholeDays = true;
        }
        entry.zone = std::move(built);
        found = cache.insert(zoneId, entry);
    }
    return *found;
}

} // namespace

std::unique_ptr<icu::TimeZone> systemRulesTimeZone(const QString& zoneId)
{
    return std::unique_ptr<icu::TimeZone>(cachedZone(zoneId).zone->clone());
}

bool zoneSkipsWholeDays(const QString& zoneId)
{
    return cachedZone(zoneId).skipsWholeDays;
}

} // namespace wendle
