// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "journal/EntryCrypto.h"
#include "journal/EntryStore.h"

#include <QDateTime>

namespace wendle::bench {

/**
 * Fills `store` with `entries` entries of about 600 bytes, three a day from 1 January 2000, sealed under `key`,
 * and saves them in two steps, so that while the store stays open its newest rows are in the write-ahead log.
 */
inline void fillJournal(EntryStore& store, const EntryKey& key, int entries)
{
    QString text;
    while (text.size() < 600) {
        text += QStringLiteral("The light came in sideways and I wrote until the tea went cold. ");
    }
    const QDateTime start(QDate(2000, 1, 1), QTime(9, 0), Qt::UTC);
    for (int i = 0; i < entries; ++i) {
        const QDateTime date = start.addDays(i / 3).addSecs(3600 * (i % 3));
        store.insert({date, date.date().toString(Qt::ISODate), QStringLiteral("p-%1").arg(i % 3),
                      QStringLiteral("memory"), sealEntryText(text, key), 110});
        if ((i == entries - 100 || i == entries - 1) && !store.save()) {
            qFatal("the bench journal could not be written");
        }
    }
}

} // namespace wendle::bench
