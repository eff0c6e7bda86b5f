// SPDX-License-Identifier: GPL-3.0-or-later
// docs/formats.md cannot drift from the code: every example it shows is read back, or written again, here.
#include "SqlFile.h"
#include "TempJournal.h"

#include "journal/AesGcm.h"
#include "journal/Calendar.h"
#include "journal/EntryKeyStore.h"
#include "journal/RecoveryCode.h"
#include "journal/SyncRecord.h"
#include "reminders/ReminderScheduler.h"
#include "reminders/agent/ReminderQueue.h"
#include "transfer/BackupFile.h"
#include "transfer/JournalExport.h"
#include "transfer/MarkdownDay.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTest>
#include <QtEndian>

using namespace wendle;
using namespace wendle::test;

namespace {

/** The document's examples by name: each fenced block under `<!-- example: NAME -->`, without its last line feed. */
QHash<QString, QString> examples()
{
    QFile file(QStringLiteral(WENDLE_FORMATS_DOC));
    if (!file.open(QIODevice::ReadOnly)) {
        qFatal("docs/formats.md cannot be read");
    }
    const QString text = QString::fromUtf8(file.readAll());
    static const QRegularExpression block(QStringLiteral("<!-- example: ([a-z-]+) -->\n```[a-z]*\n(.*?)\n```"),
                                          QRegularExpression::DotMatchesEverythingOption);
    QHash<QString, QString> found;
    for (const QRegularExpressionMatch& match : block.globalMatch(text)) {
        found.insert(match.captured(1), match.captured(2));
    }
    return found;
}

QByteArray hex(const QString& example)
{
    QString digits = example;
    digits.remove(QRegularExpression(QStringLiteral("\\s")));
    if (!QRegularExpression(QStringLiteral("^([0-9a-f]{2})+$")).match(digits).hasMatch()) {
        qFatal("an example is not hex: %s", qPrintable(example));
    }
    return QByteArray::fromHex(digits.toLatin1());
}

QString simplified(const QString& sql)
{
    return sql.simplified().remove(QStringLiteral(" ;")).remove(u';');
}

} // namespace

class TestFormats : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { m_examples = examples(); }
    void keyCodeAndSealedBodies();
    void journalSchema();
    void backup();
    void exports();
    void reminderQueue();
    void syncRecord();

private:
    QString example(const char* name) const
    {
        const QString found = m_examples.value(QString::fromLatin1(name));
        if (found.isEmpty()) {
            qFatal("docs/formats.md has no example %s", name);
        }
        return found;
    }

    QHash<QString, QString> m_examples;
};

void TestFormats::keyCodeAndSealedBodies()
{
    const QByteArray keyBytes = hex(example("key"));
    const auto key = EntryKey::fromBytes(keyBytes);
    QCOMPARE(formatRecoveryCode(keyBytes), example("recovery-code"));
    QCOMPARE(parseRecoveryCode(example("recovery-code").toLower().remove(u'-')), keyBytes);

    const QByteArray body = hex(example("sealed-body"));
    QCOMPARE(openEntryText(body, *key), example("sealed-body-text"));
    QCOMPARE(body.size(), example("sealed-body-text").toUtf8().size() + sealedOverhead);

    // The check Wendle seals and the documented one open to the same documented text.
    QCOMPARE(openEntryText(hex(example("key-check")), *key), example("key-check-text"));
    QCOMPARE(openEntryText(sealKeyCheck(*key), *key), example("key-check-text"));
}

void TestFormats::journalSchema()
{
    TempJournal journal;
    const QString path = journal.store->path();
    journal.store.reset();
    QCOMPARE(querySql(path, "PRAGMA user_version").toInt(), JournalFile::schemaVersion);
    const QByteArray tables = querySql(
        path, "SELECT group_concat(sql, ' ') FROM (SELECT sql FROM sqlite_schema WHERE type = 'table' ORDER BY rowid)");
    QCOMPARE(simplified(QString::fromUtf8(tables)), simplified(example("journal-schema")));
}

void TestFormats::backup()
{
    const QByteArray file = hex(example("backup-file"));
    const QByteArray payload = example("backup-payload").toUtf8();
    // Opening at all needs every header field read where the document puts it: salt, nonce, cost and lengths.
    QCOMPARE(readBackupHeader(file).header->payloadLength, quint64(payload.size()));
    const BackupReadResult opened = decodeBackup(file, example("backup-passphrase"));
    QVERIFY(opened.contents);
    const std::optional<BackupContents> documented = backupContentsFromPayload(payload);
    QVERIFY(documented && documented->entries.size() == 1 && opened.contents->entries.size() == 1);
    const EntryRecord& record = opened.contents->entries.front().record;
    const EntryRecord& expected = documented->entries.front().record;
    QCOMPARE(record.text, expected.text);
    QCOMPARE(record.globalId, expected.globalId);
    QCOMPARE(QStringList({record.date.toString(Qt::ISODateWithMs), record.dayKey, record.promptID, record.categoryRaw,
                          QString::number(record.creditedWords)}),
             QStringList({expected.date.toString(Qt::ISODateWithMs), expected.dayKey, expected.promptID,
                          expected.categoryRaw, QString::number(expected.creditedWords)}));
    QCOMPARE(decodeBackup(file, QStringLiteral("wrong")).error, BackupError::wrongPassphrase);

    // The snapshot opens with the documented key alone, to the documented payload, versions and all.
    const BackupReadResult snapshot
        = decodeSnapshot(hex(example("snapshot-file")), *EntryKey::fromBytes(hex(example("key"))));
    const std::optional<BackupContents> snapshotPayload
        = backupContentsFromPayload(example("snapshot-payload").toUtf8());
    QVERIFY(snapshot.contents && snapshotPayload && snapshot.contents->versions.size() == 1);
    QCOMPARE(snapshot.contents->entries.front().record.text, snapshotPayload->entries.front().record.text);
    QCOMPARE(snapshot.contents->versions.front().text, snapshotPayload->versions.front().text);
    QCOMPARE(snapshot.contents->versions.front().savedAt, snapshotPayload->versions.front().savedAt);
    QCOMPARE(readBackupHeader(hex(example("snapshot-file"))).header->payloadLength,
             quint64(example("snapshot-payload").toUtf8().size()));
}

void TestFormats::exports()
{
    const QString markdown = example("export-markdown") + u'\n';
    const std::optional<MarkdownDay> day = parseMarkdownDay(markdown);
    QVERIFY(day && day->entries.size() == 2);
    const QJsonArray json = QJsonDocument::fromJson(example("export-json").toUtf8()).object()[u"entries"].toArray();
    QCOMPARE(json.size(), 2);

    // The entries the examples describe, written again by the exporters.
    std::vector<ExportedEntry> entries;
    for (std::size_t i = 0; i < day->entries.size(); ++i) {
        const MarkdownDayEntry& entry = day->entries[i];
        const QJsonObject fields = json[qsizetype(i)].toObject();
        EntryRecord record{entry.date,
                           day->isoDate,
                           entry.promptID,
                           entry.categoryRaw,
                           fields[u"words"].toInteger(),
                           entry.unreadable ? std::nullopt : std::optional(entry.text),
                           entry.globalId};
        QCOMPARE(QString::fromLatin1(entry.globalId.toHex()), fields[u"globalID"].toString());
        entries.push_back({record, fields[u"prompt"].toString()});
    }
    const Calendar berlin = Calendar::make(QStringLiteral("en_US"), QStringLiteral("Europe/Berlin"));
    const std::vector<ExportFile> files = markdownExport(entries, berlin);
    QCOMPARE(files.size(), std::size_t(1));
    QCOMPARE(files.front().name, day->isoDate + QStringLiteral(".md"));
    QCOMPARE(QString::fromUtf8(files.front().contents), markdown);
    QCOMPARE(QString::fromUtf8(jsonExport(entries, berlin, QStringLiteral("x.json")).contents),
             example("export-json") + u'\n');
}

void TestFormats::reminderQueue()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("reminders.json"));
    QVERIFY(putFile(path, example("reminder-queue").toUtf8()));

    ReminderQueue queue(path);
    queue.load();
    QVERIFY(queue.movedAsideTo().isEmpty());
    QCOMPARE(queue.requests(),
             (std::vector<NotificationRequest>{
                 {ReminderScheduler::reminderIdentifierPrefix + QStringLiteral("2026-12-08.primary"),
                  ReminderScheduler::notificationTitle, ReminderScheduler::notificationBody(), 2026, 12, 8, 15, 0}}));
    QVERIFY(QFile::remove(path));
    QVERIFY(queue.save());
    QCOMPARE(QString::fromUtf8(fileBytes(path)), example("reminder-queue"));
}

void TestFormats::syncRecord()
{
    const auto key = EntryKey::fromBytes(hex(example("key")));
    AesGcm cipher(std::span<const unsigned char>(key->data(), std::size_t(key->length())));
    const QByteArray framed = hex(example("sync-record"));
    const QByteArray associated = hex(example("sync-record-aad"));
    const QByteArray payload = hex(example("sync-record-payload"));
    QCOMPARE(qFromBigEndian<quint32>(framed.constData()), quint32(framed.size() - SyncRecordFormat::prefixLength));

    // The documented associated data and payload are what the seal holds ...
    const QByteArray sealed = framed.sliced(SyncRecordFormat::prefixLength);
    const std::span<const unsigned char> bytes = byteSpan(sealed);
    QByteArray plain(payload.size(), '\0');
    QCOMPARE(cipher.open(bytes.first<AesGcm::nonceLength>(), byteSpan(associated), bytes.subspan(AesGcm::nonceLength),
                         writableByteSpan(plain)),
             AesGcm::Opened::opened);
    QCOMPARE(plain, payload);

    // ... and Wendle reads the record as the backup example's entry, at its place in the log and nowhere else.
    const QByteArray device = associated.sliced(13, 16);
    const OpenedSyncRecord opened = openSyncRecord(cipher, {device, 1, 0}, sealed);
    QCOMPARE(int(opened.result), int(OpenedSyncRecord::Result::opened));
    QCOMPARE(opened.flags, quint8(SyncRecordFlag::startsSet));
    const EntryRecord entry = backupContentsFromPayload(example("backup-payload").toUtf8())->entries.front().record;
    const SyncRecord& record = opened.record;
    QCOMPARE(QStringList({record.date.toString(Qt::ISODateWithMs), record.dayKey, record.promptID, record.categoryRaw,
                          QString::number(record.creditedWords), record.text}),
             QStringList({entry.date.toString(Qt::ISODateWithMs), entry.dayKey, entry.promptID, entry.categoryRaw,
                          QString::number(entry.creditedWords), entry.text.value_or(QString())}));
    QCOMPARE(record.entryId, entry.globalId);
    QCOMPARE(record.stamp, (SyncStamp{1, device}));
    QCOMPARE(int(openSyncRecord(cipher, {device, 1, 1}, sealed).result),
             int(OpenedSyncRecord::Result::unauthenticated));
}

QTEST_GUILESS_MAIN(TestFormats)
#include "TestFormats.moc"
