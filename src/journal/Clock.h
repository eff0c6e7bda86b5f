// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>

namespace wendle {

/** Where "now" comes from. Everything that asks the time takes a Clock, so tests can move time. */
class Clock
{
public:
    virtual ~Clock() = default;
    /** The current moment, in UTC. */
    virtual QDateTime now() const = 0;
};

/** The system's wall clock. */
class SystemClock final : public Clock
{
public:
    QDateTime now() const override;
};

/** One system clock for the whole program, for callers that are not handed a clock of their own. */
const Clock& systemClock();

/** A clock that stands still until told otherwise. */
class ManualClock final : public Clock
{
public:
    explicit ManualClock(QDateTime now);
    QDateTime now() const override;
    void set(const QDateTime& now);
    void advance(qint64 seconds);

private:
    QDateTime m_now;
};

} // namespace wendle
