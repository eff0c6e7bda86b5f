// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "journal/Clock.h"
#include "journal/EntryCrypto.h"
#include "journal/EntryStore.h"
#include "journal/SyncDevice.h"
#include "journal/SyncEngine.h"
#include "journal/WordCount.h"

#include <QFile>
#include <QSignalSpy>

namespace wendle::test {

/**
 * One computer of a sync test: its own journal, device-id file and machine id in `home`, syncing through a folder
 * with the journal's key. `start` and `stop` open and close it at the same home, as a restart does.
 */
struct SyncComputer
{
    static inline const QDateTime written{QDate(2026, 3, 1), QTime(9, 0), Qt::UTC};
    static inline const QString day = QStringLiteral("2026-03-01");

    QString home;
    std::shared_ptr<const EntryKey> key;
    std::unique_ptr<EntryStore> store;
    std::unique_ptr<SyncEngine> engine;

    /** Gives `home` the machine id `machine` (each computer its own), without opening anything yet. */
    static bool prepare(const QString& home, const QByteArray& machine)
    {
        QFile file(home + QStringLiteral("/machine-id"));
        return file.open(QIODevice::WriteOnly) && file.write(machine + "-machine\n") > 0;
    }
    /** Opens the journal and syncs it through `folder`. */
    bool start(const QString& folder)
    {
        QString error;
        store = EntryStore::open(home + QStringLiteral("/journal.sqlite"), &error);
        if (!store) {
            return false;
        }
        engine = std::make_unique<SyncEngine>(*store, systemClock(), nullptr, home + QStringLiteral("/sync-device"),
                                              home + QStringLiteral("/machine-id"));
        engine->setFolder(folder);
        engine->unlocked(key);
        return true;
    }
    void stop()
    {
        engine.reset();
        store.reset();
    }
    QByteArray device() const
    {
        QString error;
        return SyncDevice::id(home + QStringLiteral("/sync-device"), &error, home + QStringLiteral("/machine-id"))
            .value_or(QByteArray());
    }
    /** One pass, and whatever it leads to at once; false when it does not finish. */
    bool pass() const
    {
        QSignalSpy finished(engine.get(), &SyncEngine::passFinished);
        engine->syncNow();
        return finished.wait(10000);
    }
    /** Saves a new entry of `day`. */
    Entry* write(const QString& text)
    {
        Entry* entry = store->insert({written, day, QStringLiteral("memory-001"), QStringLiteral("memory"),
                                      sealEntryText(text, *key), countWords(text)});
        return store->save() ? entry : nullptr;
    }
    /** An edit as the writing screens make it: credited words only on the entry's own day. */
    bool edit(const QByteArray& globalId, const QString& text, bool ownDay = true)
    {
        Entry* entry = store->entryWithGlobalId(globalId);
        if (!entry) {
            return false;
        }
        store->replaceBody(entry, sealEntryText(text, *key), *key);
        if (ownDay) {
            store->setCreditedWords(entry, countWords(text));
        }
        return store->save();
    }
    /** The change is in this computer's log: its mark is cleared once appended. */
    bool logged(const QByteArray& globalId) const
    {
        const Entry* entry = store->entryWithGlobalId(globalId);
        return entry && entry->logMark() == 0;
    }
    QString text(const QByteArray& globalId) const
    {
        const Entry* entry = store->entryWithGlobalId(globalId);
        return entry ? openEntryText(entry->cipherBody(), *key) : QString();
    }
    QStringList versionTexts(const QByteArray& globalId) const
    {
        QStringList texts;
        for (const EntryStore::Version& version : store->versions(*store->entryWithGlobalId(globalId))) {
            texts << openEntryText(store->versionBody(version.id).value_or(QByteArray()), *key);
        }
        return texts;
    }
};

} // namespace wendle::test
