// SPDX-License-Identifier: GPL-3.0-or-later
#include "TempJournal.h"

#include "journal/Calendar.h"
#include "journal/LockedBuffer.h"
#include "transfer/JournalBackup.h"

#include <QCryptographicHash>
#include <QFileInfo>
#include <QtEndian>

#include <QTest>

using namespace wendle;
using namespace wendle::test;

namespace {

// A cheap derivation keeps the tests quick; the file records it, and the reader honours what the file says.
const ScryptParameters quick{10, 8, 1};
const QString passphrase = QStringLiteral("correct horse battery staple");
const QDateTime now = QDateTime::fromString(QStringLiteral("2026-12-07T12:00:00Z"), Qt::ISODate);
RestorePlan plan(const BackupContents& contents, const TempJournal& journal)
{
    return planRestore(contents, *journal.store, *journal.key,
                       Calendar::make(QStringLiteral("en_US"), QStringLiteral("UTC")), now);
}

} // namespace

class TestJournalBackup : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void restoresIntoAnotherJournalOnce();
    void repairsWhatNoLongerOpens();
    void refusesWhatItCannotTrust();
};

void TestJournalBackup::restoresIntoAnotherJournalOnce()
{
    TempJournal source;
    const auto lostKey = EntryKey::random();
    const QDateTime first = QDateTime::fromMSecsSinceEpoch(1'700'000'000'123, Qt::UTC);
    source.add(QStringLiteral("2023-11-14"), QStringLiteral("p-1"), QStringLiteral("Snow on the pass 🏔"), -1, first);
    source.add(QStringLiteral("2023-11-14"), Entry::freeformPromptID, QStringLiteral("line one\nline two"), 40,
               first.addSecs(60));
    source.add(QStringLiteral("2023-11-15"), QStringLiteral("p-2"), QStringLiteral("sealed away"), -1, first.addDays(1),
               lostKey.get());
    Entry* rewritten = source.add(QStringLiteral("2023-11-16"), QStringLiteral("p-3"), QStringLiteral("old"), -1,
                                  first.addDays(2), lostKey.get());
    source.store->replaceBody(rewritten, sealEntryText(QStringLiteral("new text"), *source.key), *source.key);
    QVERIFY(source.store->save());

    const QString path = source.dir.filePath(backupFileName(first, Calendar::make("en_US", "UTC")));
    QCOMPARE(QFileInfo(path).fileName(), QStringLiteral("wendle-backup-2023-11-14.wendlebackup"));
    const BackupWriteResult written
        = writeBackupFile(path, snapshotJournal(*source.store, *source.key), passphrase, quick);
    QVERIFY2(written.error.isEmpty(), qPrintable(written.error));
    QCOMPARE(written.entries, 4);
    const QByteArray file = fileBytes(path);
    QVERIFY(!file.contains("Snow") && !file.contains("line one"));
    QCOMPARE(file.mid(0, 8), QByteArray(backupMagic));
    QCOMPARE(int(file.at(11)), quick.log2N);

    TempJournal target;
    BackupReadResult read = decodeBackup(file, passphrase);
    QVERIFY(read.contents);
    RestorePlan plan = ::plan(*read.contents, target);
    QCOMPARE(int(plan.newEntries.size()), 4);
    QString error;
    QVERIFY(applyRestore(plan, *read.contents, *target.store, *target.key, &error));

    const QString targetPath = target.store->path();
    target.store.reset();
    target.store = EntryStore::open(targetPath, &error);
    const auto& restored = target.store->entries();
    QCOMPARE(restored.size(), source.store->entries().size());
    const auto fields = [](const Entry* entry, const EntryKey& key) {
        const EntryRecord record = EntryRecord::of(*entry, key);
        return QStringList{record.date.toString(Qt::ISODateWithMs),
                           record.dayKey,
                           record.promptID,
                           record.categoryRaw,
                           QString::number(record.creditedWords),
                           record.text.value_or(QString::fromLatin1(entry->cipherBody().toHex()))};
    };
    for (std::size_t i = 0; i < restored.size(); ++i) {
        QCOMPARE(fields(restored[i], *target.key), fields(source.store->entries()[i], *source.key));
    }
    QCOMPARE(target.store->displacedBodies().size(), std::size_t(1));
    QCOMPARE(openEntryText(target.store->displacedBodies().front().cipherBody, *lostKey), QStringLiteral("old"));

    // The second time everything is present, and nothing is added or changed.
    plan = ::plan(*read.contents, target);
    QVERIFY(plan.newEntries.empty());
    QCOMPARE(plan.presentEntries, 4);
    QVERIFY(applyRestore(plan, *read.contents, *target.store, *target.key, &error));
    QCOMPARE(target.store->entries().size(), std::size_t(4));
}

void TestJournalBackup::refusesWhatItCannotTrust()
{
    TempJournal journal;
    journal.add(QStringLiteral("2024-03-10"), QStringLiteral("p-1"), QStringLiteral("kept"));
    QVERIFY(journal.store->save());
    const QByteArray file = encodeBackup(snapshotJournal(*journal.store, *journal.key), passphrase, quick);

    QByteArray flipped = file;
    flipped[flipped.size() - 30] = char(flipped.at(flipped.size() - 30) ^ 0x01);
    QByteArray flippedHeader = file;
    flippedHeader[70] = char(flippedHeader.at(70) ^ 0x40); // inside the nonce, which the seal covers

    const struct
    {
        QByteArray bytes;
        QString passphrase;
        BackupError error;
    } cases[] = {
        {file, QStringLiteral("correct horse battery stapler"), BackupError::wrongPassphrase},
        {file.left(file.size() - 1), passphrase, BackupError::truncated},
        {file.left(40), passphrase, BackupError::truncated},
        {flipped, passphrase, BackupError::damaged},
        {flippedHeader, passphrase, BackupError::damaged},
        {QByteArray("SQLite format 3"), passphrase, BackupError::notABackup},
    };
    for (const auto& bad : cases) {
        const BackupReadResult read = decodeBackup(bad.bytes, bad.passphrase);
        QVERIFY(!read.contents);
        QCOMPARE(read.error, bad.error);
    }
    QVERIFY(decodeBackup(file, passphrase).contents);

    // A backup an earlier build sealed (under fixed derived bytes, in place of a passphrase's) still opens.
    const QByteArray earlier = fileBytes(QFINDTESTDATA("../fuzz/corpus/backup/fixed-key"));
    LockedBuffer derived(backupDerivedLength);
    for (std::size_t i = 0; i < derived.size(); ++i) {
        derived.data()[i] = static_cast<unsigned char>(i);
    }
    const BackupReadResult opened = openBackup(earlier, readBackupHeader(earlier).header.value(), derived);
    QVERIFY(opened.contents && opened.contents->entries.size() == 2 && opened.contents->displaced.size() == 1);
    QCOMPARE(opened.contents->entries[0].record.text.value_or(QString()), QStringLiteral("Snow"));
    QCOMPARE(opened.contents->entries[0].record.date.toMSecsSinceEpoch(), 1'700'000'000'123);
    QCOMPARE(opened.contents->entries[1].sealedBody.size(), 3);

    // The header's own hash: a changed salt is damage, never a wrong passphrase. Rehashed, a changed header gets
    // as far as the checks after it.
    const auto rehashed = [](QByteArray bytes) {
        bytes.replace(88, 32, QCryptographicHash::hash(bytes.left(88), QCryptographicHash::Sha256));
        return bytes;
    };
    QByteArray salted = file;
    salted[22] = char(salted.at(22) ^ 0x01);
    QCOMPARE(decodeBackup(salted, passphrase).error, BackupError::damaged);
    QCOMPARE(decodeBackup(rehashed(salted), passphrase).error, BackupError::wrongPassphrase);

    // Wendle's own cost is accepted; a far costlier one is refused from the header alone, before any derivation.
    const auto costing = [&file, &rehashed](quint8 log2N, quint32 r, quint32 p) {
        QByteArray bytes = file;
        bytes[11] = char(log2N);
        qToBigEndian(r, bytes.data() + 12);
        qToBigEndian(p, bytes.data() + 16);
        return rehashed(bytes);
    };
    QVERIFY(readBackupHeader(costing(17, 8, 1)).header);
    for (const QByteArray& costly : {costing(20, 32, 16), costing(17, 8, 8), costing(200, 1, 1)}) {
        QCOMPARE(decodeBackup(costly, passphrase).error, BackupError::damaged);
    }
}

void TestJournalBackup::repairsWhatNoLongerOpens()
{
    // The key was lost and the journal goes on under a new one: the old entries no longer open.
    TempJournal journal;
    const auto lostKey = EntryKey::random();
    const QDateTime first = QDateTime::fromMSecsSinceEpoch(1'700'000'000'000, Qt::UTC);
    journal.add(QStringLiteral("2023-11-14"), QStringLiteral("p-1"), QStringLiteral("before the loss"), -1, first,
                lostKey.get());
    journal.add(QStringLiteral("2023-11-15"), QStringLiteral("p-2"), QStringLiteral("also before"), 9, first.addDays(1),
                lostKey.get());
    QVERIFY(journal.store->save());
    TempJournal before;
    before.key = lostKey;
    before.add(QStringLiteral("2023-11-14"), QStringLiteral("p-1"), QStringLiteral("before the loss"), -1, first);
    before.add(QStringLiteral("2023-11-15"), QStringLiteral("p-2"), QStringLiteral("also before"), 9, first.addDays(1));
    before.add(QStringLiteral("2023-11-16"), QStringLiteral("p-3"), QStringLiteral("new to it"), -1, first.addDays(2));
    // Bodies kept aside while saves fail belong to entries that have no row id yet: each keeps its own.
    before.store->replaceBody(before.store->entries()[0], sealEntryText(QStringLiteral("one"), *lostKey), *before.key);
    before.store->keepAside(before.store->entries()[1], QByteArray("aside for the second"), first);
    before.store->keepAside(before.store->entries()[2], QByteArray("aside for the third"), first);
    const BackupContents backup = snapshotJournal(*before.store, *before.key);
    QCOMPARE(backup.displaced.size(), std::size_t(2));
    QCOMPARE(backup.displaced[0].entryIndex, 1);
    QCOMPARE(backup.displaced[1].entryIndex, 2);

    const RestorePlan restore = plan(backup, journal);
    QCOMPARE(restore.newEntries, std::vector<int>{2});
    QCOMPARE(restore.repairs.size(), std::size_t(2));
    QString error;
    QVERIFY(applyRestore(restore, backup, *journal.store, *journal.key, &error));
    QCOMPARE(openEntryText(journal.store->entries()[0]->cipherBody(), *journal.key), QStringLiteral("one"));
    QCOMPARE(journal.store->entries()[1]->creditedWords(), 9);
    // What no longer opened is kept aside, never destroyed; a second restore has nothing left to do.
    QCOMPARE(journal.store->displacedBodies().size(), std::size_t(3));
    const RestorePlan again = plan(backup, journal);
    QVERIFY(again.newEntries.empty() && again.repairs.empty());
    QCOMPARE(again.presentEntries, 3);

    // Days, prompts and words are checked as an import checks them.
    BackupContents hostile;
    hostile.entries.push_back({{first, QStringLiteral("../../x-2023-04-01"), QStringLiteral("p-1"),
                                QStringLiteral("memory"), 1, QStringLiteral("a")},
                               {}});
    hostile.entries.push_back({{first, QStringLiteral("2023-11-20"), QStringLiteral("p-1"), QStringLiteral("memory"),
                                -5, QStringLiteral("two words")},
                               {}});
    const RestorePlan checked = plan(hostile, TempJournal());
    QCOMPARE(checked.skipped.size(), std::size_t(1));
    QCOMPARE(checked.skipped[0].reason, QStringLiteral("its day is not a date (YYYY-MM-DD)"));
    TempJournal fresh;
    QVERIFY(applyRestore(plan(hostile, fresh), hostile, *fresh.store, *fresh.key, &error));
    QCOMPARE(fresh.store->entries().front()->creditedWords(), 2);
}

QTEST_GUILESS_MAIN(TestJournalBackup)
#include "TestJournalBackup.moc"
