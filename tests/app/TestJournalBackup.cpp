// SPDX-License-Identifier: GPL-3.0-or-later
#include "TempJournal.h"

#include "app/JournalBackup.h"
#include "journal/Calendar.h"

#include <QFileInfo>
#include <QtEndian>

#include <QTest>

using namespace wendle;
using namespace wendle::test;

namespace {

// A cheap derivation keeps the tests quick; the file records it, and the reader honours what the file says.
const ScryptParameters quick{10, 8, 1};
const QString passphrase = QStringLiteral("correct horse battery staple");

} // namespace

class TestJournalBackup : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void restoresIntoAnotherJournalOnce();
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
    Entry* unreadable = source.add(QStringLiteral("2023-11-15"), QStringLiteral("p-2"), QStringLiteral("sealed away"),
                                   -1, first.addDays(1), lostKey.get());
    const QByteArray unreadableBody = unreadable->cipherBody();
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
    QCOMPARE(QFile::permissions(path) & ~(QFileDevice::ReadUser | QFileDevice::WriteUser),
             QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    const QByteArray file = fileBytes(path);
    QVERIFY(!file.contains("Snow") && !file.contains("line one"));
    QCOMPARE(file.mid(0, 8), QByteArray(backupMagic));
    QCOMPARE(int(file.at(11)), quick.log2N);

    TempJournal target;
    QVERIFY(keyBytes(*target.key) != keyBytes(*source.key));
    BackupReadResult read = decodeBackup(file, passphrase);
    QVERIFY(read.contents);
    RestorePlan plan = planRestore(*read.contents, *target.store);
    QCOMPARE(int(plan.newEntries.size()), 4);
    QString error;
    QVERIFY(applyRestore(plan, *read.contents, *target.store, *target.key, &error));

    const QString targetPath = target.store->path();
    target.store.reset();
    target.store = EntryStore::open(targetPath, &error);
    const auto& restored = target.store->entries();
    QCOMPARE(restored.size(), source.store->entries().size());
    for (std::size_t i = 0; i < restored.size(); ++i) {
        const Entry* was = source.store->entries()[i];
        const Entry* is = restored[i];
        QCOMPARE(is->date(), was->date());
        QCOMPARE(is->dayKey(), was->dayKey());
        QCOMPARE(is->promptID(), was->promptID());
        QCOMPARE(is->categoryRaw(), was->categoryRaw());
        QCOMPARE(is->creditedWords(), was->creditedWords());
        if (was == unreadable) {
            QCOMPARE(is->cipherBody(), unreadableBody);
        } else {
            QCOMPARE(openEntryText(is->cipherBody(), *target.key), openEntryText(was->cipherBody(), *source.key));
        }
    }
    QCOMPARE(target.store->displacedBodies().size(), std::size_t(1));
    QCOMPARE(openEntryText(target.store->displacedBodies().front().cipherBody, *lostKey), QStringLiteral("old"));

    // The second time everything is present, and nothing is added or changed.
    plan = planRestore(*read.contents, *target.store);
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
        QVERIFY(!backupErrorMessage(read.error).isEmpty());
    }
    QVERIFY(decodeBackup(file, passphrase).contents);

    // Wendle's own cost is accepted; a far costlier one is refused from the header alone, before any derivation.
    const auto costing = [&file](quint8 log2N, quint32 r, quint32 p) {
        QByteArray bytes = file;
        bytes[11] = char(log2N);
        qToBigEndian(r, bytes.data() + 12);
        qToBigEndian(p, bytes.data() + 16);
        return bytes;
    };
    QVERIFY(readBackupHeader(costing(17, 8, 1)).header);
    for (const QByteArray& costly : {costing(20, 32, 16), costing(17, 8, 8), costing(200, 1, 1)}) {
        QCOMPARE(decodeBackup(costly, passphrase).error, BackupError::damaged);
    }
}

QTEST_GUILESS_MAIN(TestJournalBackup)
#include "TestJournalBackup.moc"
