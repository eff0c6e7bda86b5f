// SPDX-License-Identifier: GPL-3.0-or-later
#include "SyncTrials.h"

#include "journal/EntryCrypto.h"
#include "journal/SyncLogWriter.h"

#include <QFile>

#include <cstdio>

namespace wendle::SyncTrials {

SyncRecord change(int index, int entries, int maxTextSize)
{
    const auto clock = quint64(index + 1);
    return {QByteArray(16, char(1 + index % entries)),
            QDateTime::fromMSecsSinceEpoch(1710054300000 + index, Qt::UTC),
            QStringLiteral("2024-03-10"),
            QStringLiteral("memory-001"),
            QStringLiteral("memory"),
            QString(1 + (index * 7919) % maxTextSize, QChar(u'a' + index % 26)),
            index,
            {clock, device},
            {clock, device}};
}

bool writeCompactionLog(const QString& root, std::shared_ptr<const EntryKey> key, QString* error)
{
    SyncLogWriter log(root, device, std::move(key));
    std::vector<SyncRecord> records;
    for (int i = 0; i < compactionRecords; ++i) {
        records.push_back(change(i, compactionEntries, 3000));
    }
    return log.open(error) && log.append(records, error);
}

QMap<QByteArray, QString> latest(const std::vector<SyncLogReader::Read>& records)
{
    QMap<QByteArray, const SyncRecord*> winners;
    for (const SyncLogReader::Read& read : records) {
        const SyncRecord*& winner = winners[read.record.entryId];
        if (!winner || winner->stamp < read.record.stamp) {
            winner = &read.record;
        }
    }
    QMap<QByteArray, QString> texts;
    for (auto winner = winners.cbegin(); winner != winners.cend(); ++winner) {
        texts.insert(winner.key(), winner.value()->text);
    }
    return texts;
}

int child(const QString& root, const QString& what, const QString& acknowledged, std::shared_ptr<const EntryKey> key)
{
    SyncLogWriter log(root, device, std::move(key));
    QString error;
    if (!log.open(&error)) {
        std::fprintf(stderr, "sync: %s\n", qPrintable(error));
        return 1;
    }
    if (what == QLatin1String("compact")) {
        if (!log.compact(&error)) {
            std::fprintf(stderr, "sync: %s\n", qPrintable(error));
            return 1;
        }
        return 0;
    }
    QFile acks(acknowledged);
    if (!acks.open(QIODevice::Append | QIODevice::Unbuffered)) {
        return 1;
    }
    for (int i = int(log.recordCount());; ++i) {
        if (!log.append(appended(i), &error)) {
            std::fprintf(stderr, "sync: %s\n", qPrintable(error));
            return 1;
        }
        acks.write("+", 1);
    }
}

} // namespace wendle::SyncTrials
