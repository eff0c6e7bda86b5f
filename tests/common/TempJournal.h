// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "journal/EntryCrypto.h"
#include "journal/EntryStore.h"
#include "journal/WordCount.h"

#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include <cstring>
#include <memory>

namespace wendle::test {

/** `count` different words, one space apart. */
inline QString words(int count)
{
    QStringList list;
    for (int i = 0; i < count; ++i) {
        list << QStringLiteral("w%1").arg(i);
    }
    return list.join(u' ');
}

/** The key's bytes, as the keyring holds them. Secret: compare them, never print them. */
inline QByteArray keyBytes(const EntryKey& key)
{
    return QByteArray(reinterpret_cast<const char*>(key.data()), key.length());
}

/** Whether two keys hold the same bytes, compared where they lie: no copy of either is left behind. */
inline bool sameKey(const EntryKey& a, const EntryKey& b)
{
    return a.length() == b.length() && std::memcmp(a.data(), b.data(), static_cast<std::size_t>(a.length())) == 0;
}

/** A file's bytes; empty when it cannot be read. */
inline QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

/** Puts `bytes` in the file at `path`, replacing what it held; true when all were written. */
inline bool putFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.flush();
}

/** A journal in a folder of its own that goes away with it, and the key its entries are sealed with. */
struct TempJournal
{
    QTemporaryDir dir;
    std::shared_ptr<const EntryKey> key = EntryKey::random();
    std::unique_ptr<EntryStore> store;

    TempJournal()
    {
        QString error;
        store = EntryStore::open(dir.filePath(QStringLiteral("journal.sqlite")), &error);
        if (!store) {
            qFatal("could not open a journal: %s", qPrintable(error));
        }
    }

    /** Inserts an entry of category "memory"; `words` defaults to the text's word count. */
    Entry* add(const QString& dayKey, const QString& promptID, const QString& text, qint64 words = -1,
               const QDateTime& date = {}, const EntryKey* sealedWith = nullptr)
    {
        return store->insert({date.isValid() ? date : QDateTime::currentDateTimeUtc(), dayKey, promptID,
                              QStringLiteral("memory"), sealEntryText(text, sealedWith ? *sealedWith : *key),
                              words < 0 ? countWords(text) : words});
    }
};

} // namespace wendle::test
