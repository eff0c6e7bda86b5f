// SPDX-License-Identifier: GPL-3.0-or-later
// Any text as a day key: a date is given only for a key that names it again.
#include "journal/Calendar.h"
#include "journal/DayKey.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const wendle::Calendar calendar = wendle::Calendar::current();
    const QString key = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    // Any text must be parsed without harm; what it gives is checked through the date below.
    static_cast<void>(wendle::dayKeyNumbers(key));
    if (const std::optional<QDateTime> date = wendle::dateForDayKey(key, calendar)) {
        if (!wendle::dateForDayKey(wendle::calendarDayKey(*date, calendar), calendar)) {
            std::abort();
        }
    }
    return 0;
}
