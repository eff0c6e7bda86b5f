// SPDX-License-Identifier: GPL-3.0-or-later
#include "journal/Clock.h"

namespace wendle {

QDateTime SystemClock::now() const
{
    return QDateTime::currentDateTimeUtc();
}

const Clock& systemClock()
{
    static const SystemClock clock;
    return clock;
}

ManualClock::ManualClock(QDateTime now)
    : m_now(now.toUTC())
{
}

QDateTime ManualClock::now() const
{
    return m_now;
}

void ManualClock::set(const QDateTime& now)
{
    m_now = now.toUTC();
}

void ManualClock::advance(qint64 seconds)
{
    m_now = m_now.addSecs(seconds);
}

} // namespace wendle
