// SPDX-License-Identifier: GPL-3.0-or-later
#include "journal/EntryCrypto.h"
#include "journal/SyncDevice.h"
#include "journal/SyncFolder.h"
#include "journal/SyncId.h"
#include "journal/SyncLogReader.h"
#include "journal/SyncLogWriter.h"
#include "journal/SyncMerge.h"

#include "TempJournal.h"

#include <QDir>
#include <QDirIterator>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

using namespace wendle;
using namespace wendle::test;

namespace {

const QByteArray kDeviceA(16, '\xaa');
const QByteArray kDeviceB(16, '\xbb');
const QByteArray kDeviceC(16, '\xcc');

SyncRecord change(char entry, quint64 clock, const QString& text, const QByteArray& device = kDeviceA)
{
    return {QByteArray(16, entry),
            QDateTime(QDate(2026, 3, 1), QTime(9, 0), Qt::UTC),
            QStringLiteral("2026-03-01"),
            QStringLiteral("memory-001"),
            QStringLiteral("memory"),
            text,
            qint64(clock),
            {clock, device},
            {clock, device}};
}

QStringList texts(const SyncLogReader::Pass& pass)
{
    QStringList found;
    for (const SyncLogReader::Read& read : pass.records) {
        found << read.record.text;
    }
    return found;
}

} // namespace

class TestSyncLog : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void roundTripAcrossSegmentsAndRestarts();
    void untrustedRecordsStopTheReading_data();
    void untrustedRecordsStopTheReading();
    void onlyWendlesNamesAreRead();
    void compactionKeepsTheLatestAndReadersFollow();
    void interruptedCompactionIsFinished_data();
    void interruptedCompactionIsFinished();
    void mergeConvergesInAnyOrder_data();
    void mergeConvergesInAnyOrder();
    void deviceIdIsBoundToTheMachine();

private:
    QString segment(quint32 number, const QByteArray& device = kDeviceA) const
    {
        return SyncFolder::segmentPath(SyncFolder::deviceFolder(m_root, device), number);
    }
    std::unique_ptr<SyncLogWriter> writer() const
    {
        auto opened = std::make_unique<SyncLogWriter>(m_root, kDeviceA, m_key);
        QString error;
        if (!opened->open(&error)) {
            qWarning("%s", qPrintable(error));
            return nullptr;
        }
        return opened;
    }
    SyncLogReader::Pass readAll(SyncCursor from = {}) const
    {
        return SyncLogReader(m_root, kDeviceA, m_key).read(from);
    }
    /** Appends `count` changes to entries a, b, c in turn, texts "<prefix>0", "<prefix>1", …. */
    bool appendSome(SyncLogWriter& log, int count, const QString& prefix) const
    {
        QString error;
        for (int i = 0; i < count; ++i) {
            if (!log.append(change(char('a' + i % 3), quint64(i + 1), prefix + QString::number(i)), &error)) {
                qWarning("%s", qPrintable(error));
                return false;
            }
        }
        return true;
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_root;
    std::shared_ptr<const EntryKey> m_key = EntryKey::random();
};

void TestSyncLog::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_root = SyncFolder::root(m_dir->path());
}

void TestSyncLog::roundTripAcrossSegmentsAndRestarts()
{
    // Records of 3 MiB: a segment closes with its second, so six fill three.
    const QString big(3 * 512 * 1024, u'é');
    // The very first append was cut short by a crash: the writer starts the log afresh.
    QVERIFY(QDir().mkpath(SyncFolder::deviceFolder(m_root, kDeviceA)) && putFile(segment(1), QByteArray(3, '\0')));
    auto log = writer();
    QVERIFY(log);
    QString error;
    for (int i = 0; i < 6; ++i) {
        SyncRecord record = change(char('a' + i), quint64(i + 1), QString::number(i) + big);
        record.creditedWords = i * 7;
        record.creditStamp = {quint64(i), kDeviceB};
        QVERIFY2(log->append(record, &error), qPrintable(error));
    }
    QCOMPARE(SyncFolder::segments(SyncFolder::deviceFolder(m_root, kDeviceA)), (std::vector<quint32>{1, 2, 3}));

    // A segment still on its way: reading stops before the gap, and goes on once it has arrived.
    const QString arriving = m_dir->filePath(QStringLiteral("arriving"));
    QVERIFY(QFile::rename(segment(2), arriving));
    const SyncLogReader::Pass beforeGap = readAll();
    QCOMPARE(beforeGap.records.size(), std::size_t(2));
    QCOMPARE(beforeGap.stop, SyncLogReader::Stop::gap);
    QVERIFY(QFile::rename(arriving, segment(2)));
    QCOMPARE(readAll(beforeGap.cursor).records.size(), std::size_t(4));

    // Read in small passes: each picks up where the last stopped.
    SyncLogReader reader(m_root, kDeviceA, m_key);
    SyncCursor cursor;
    std::vector<SyncRecord> read;
    for (int pass = 0; pass < 3; ++pass) {
        const SyncLogReader::Pass got = reader.read(cursor, 2);
        for (const SyncLogReader::Read& one : got.records) {
            read.push_back(one.record);
        }
        cursor = got.cursor;
        QCOMPARE(got.stop, pass < 2 ? SyncLogReader::Stop::limit : SyncLogReader::Stop::caughtUp);
    }
    QCOMPARE(read.size(), std::size_t(6));
    SyncRecord fifth = change('e', 5, QStringLiteral("4") + big);
    fifth.creditedWords = 28;
    fifth.creditStamp = {4, kDeviceB};
    QCOMPARE(read[4], fifth);

    // Another start of the writer goes on where it stopped, with its clock; the reader's cursor goes on too.
    log = writer();
    QVERIFY(log);
    QCOMPARE(log->highestClock(), quint64(6));
    QCOMPARE(log->recordCount(), 6);
    QVERIFY(log->append(change('a', 7, QStringLiteral("seventh")), &error));
    const SyncLogReader::Pass rest = reader.read(cursor);
    QCOMPARE(texts(rest), QStringList{QStringLiteral("seventh")});
    QCOMPARE(rest.records.front().at, (SyncCursor{4, 0, 0}));
    QCOMPARE(rest.stop, SyncLogReader::Stop::caughtUp);

    // The folder reveals nothing but numbers and sizes.
    QDirIterator files(m_root, QDir::Files, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QByteArray bytes = fileBytes(files.next());
        QVERIFY(!bytes.contains("seventh") && !bytes.contains("memory") && !bytes.contains("2026"));
        QCOMPARE(QFileInfo(files.filePath()).permissions() & (QFileDevice::ReadGroup | QFileDevice::ReadOther),
                 QFileDevice::Permissions());
    }
}

void TestSyncLog::untrustedRecordsStopTheReading_data()
{
    QTest::addColumn<QString>("damage");
    QTest::addColumn<int>("readBefore");
    QTest::addColumn<int>("stop");
    QTest::addColumn<bool>("writerCutsIt");
    const auto stop = [](SyncLogReader::Stop s) { return int(s); };
    QTest::newRow("cut short, as by a crash") << "cut" << 3 << stop(SyncLogReader::Stop::incomplete) << true;
    QTest::newRow("only part of a length") << "prefix" << 4 << stop(SyncLogReader::Stop::incomplete) << true;
    QTest::newRow("a bit flipped") << "flip" << 1 << stop(SyncLogReader::Stop::unauthenticated) << false;
    QTest::newRow("two records swapped") << "swap" << 1 << stop(SyncLogReader::Stop::unauthenticated) << false;
    QTest::newRow("a record played again") << "replay" << 4 << stop(SyncLogReader::Stop::unauthenticated) << true;
    QTest::newRow("another device's segment") << "move" << 0 << stop(SyncLogReader::Stop::unauthenticated) << false;
    QTest::newRow("a bit flipped in the last record")
        << "flip-last" << 3 << stop(SyncLogReader::Stop::unauthenticated) << true;
    QTest::newRow("a length past the limit") << "long" << 4 << stop(SyncLogReader::Stop::tooLong) << true;
    QTest::newRow("another key") << "key" << 0 << stop(SyncLogReader::Stop::unauthenticated) << false;
}

// Reading stops before anything it cannot trust and changes nothing; only the writer, in its own folder, cuts off
// a record at the end that a crash left, so the next append takes its place and readers go on.
void TestSyncLog::untrustedRecordsStopTheReading()
{
    QFETCH(QString, damage);
    QFETCH(int, readBefore);
    QFETCH(int, stop);
    QFETCH(bool, writerCutsIt);
    auto log = writer();
    QVERIFY(log && appendSome(*log, 4, QStringLiteral("r")));
    log.reset();
    const QString path = segment(1);
    QByteArray bytes = fileBytes(path);
    const qsizetype recordLength = bytes.size() / 4; // the texts are the same length
    if (damage == QLatin1String("cut")) {
        bytes.chop(5);
    } else if (damage == QLatin1String("prefix")) {
        bytes.append("\0\0", 2);
    } else if (damage == QLatin1String("flip")) {
        bytes[recordLength + 40] = char(bytes[recordLength + 40] ^ 0x10);
    } else if (damage == QLatin1String("flip-last")) {
        bytes[bytes.size() - 1] = char(bytes[bytes.size() - 1] ^ 0x01);
    } else if (damage == QLatin1String("swap")) {
        bytes = bytes.first(recordLength) + bytes.sliced(2 * recordLength, recordLength)
            + bytes.sliced(recordLength, recordLength) + bytes.sliced(3 * recordLength);
    } else if (damage == QLatin1String("replay")) {
        bytes.append(bytes.first(recordLength));
    } else if (damage == QLatin1String("long")) {
        bytes.append(QByteArray::fromHex("00800001") + QByteArray(64, 'x'));
    } else if (damage == QLatin1String("move")) {
        QVERIFY(QDir().mkpath(SyncFolder::deviceFolder(m_root, kDeviceB)));
        QVERIFY(putFile(segment(1, kDeviceB), bytes));
    }
    QVERIFY(putFile(path, bytes));

    const QByteArray device = damage == QLatin1String("move") ? kDeviceB : kDeviceA;
    const std::shared_ptr<const EntryKey> key = damage == QLatin1String("key") ? EntryKey::random() : m_key;
    SyncLogReader reader(m_root, device, key);
    const SyncLogReader::Pass first = reader.read({});
    QCOMPARE(first.records.size(), std::size_t(readBefore));
    QCOMPARE(int(first.stop), stop);
    // Tried again, it stops at the same place; the file is as it was.
    const SyncLogReader::Pass again = reader.read(first.cursor);
    QVERIFY(again.records.empty() && again.cursor == first.cursor && again.stop == first.stop);
    QCOMPARE(fileBytes(segment(1, device)), bytes);
    if (device != kDeviceA || key != m_key) {
        return;
    }

    log = std::make_unique<SyncLogWriter>(m_root, kDeviceA, m_key);
    QString error;
    QCOMPARE(log->open(&error), writerCutsIt);
    if (!writerCutsIt) {
        QVERIFY2(error.contains(SyncFolder::deviceFolder(m_root, kDeviceA)), qPrintable(error));
        QCOMPARE(fileBytes(path), bytes);
        return;
    }
    QVERIFY(log->append(change('z', 9, QStringLiteral("after the crash")), &error));
    const SyncLogReader::Pass after = reader.read(first.cursor);
    QCOMPARE(texts(after), QStringList{QStringLiteral("after the crash")});
    QCOMPARE(after.stop, SyncLogReader::Stop::caughtUp);
}

void TestSyncLog::onlyWendlesNamesAreRead()
{
    auto log = writer();
    QVERIFY(log && appendSome(*log, 2, QStringLiteral("r")));
    const QString folder = SyncFolder::deviceFolder(m_root, kDeviceA);
    const QByteArray segmentBytes = fileBytes(segment(1));
    // What sync programs leave while copying, and their conflict copies, all holding records of another segment.
    const QStringList leftovers{QStringLiteral(".syncthing.000002.log.tmp"),
                                QStringLiteral("~000002.log"),
                                QStringLiteral("000002.log.part"),
                                QStringLiteral("000002.sync-conflict-20260301-090000-ABCDEFG.log"),
                                QStringLiteral("000002 (conflicted copy).log"),
                                QStringLiteral("0000002.log"),
                                QStringLiteral("2.log"),
                                QStringLiteral("000000.log")};
    for (const QString& name : leftovers) {
        QVERIFY(putFile(folder + u'/' + name, segmentBytes));
    }
    QVERIFY(QFile::link(segment(1), segment(2)));
    const QString notDevices[] = {QStringLiteral("AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA"),
                                  QStringLiteral("aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa"), QStringLiteral("..")};
    for (const QString& name : notDevices) {
        QDir().mkpath(m_root + u'/' + name);
    }
    QVERIFY(QFile::link(folder, SyncFolder::deviceFolder(m_root, kDeviceB)));
    QVERIFY(QDir().mkpath(SyncFolder::deviceFolder(m_root, kDeviceC) + QStringLiteral(".sync-conflict-x")));

    QCOMPARE(SyncFolder::devices(m_root), std::vector<QByteArray>{kDeviceA});
    QCOMPARE(SyncFolder::segments(folder), std::vector<quint32>{1});
    const SyncLogReader::Pass pass = readAll();
    QCOMPARE(texts(pass), (QStringList{QStringLiteral("r0"), QStringLiteral("r1")}));
    QCOMPARE(pass.stop, SyncLogReader::Stop::caughtUp);
    std::vector<QString> conflicts = SyncFolder::conflictCopies(m_root);
    std::sort(conflicts.begin(), conflicts.end());
    QCOMPARE(conflicts,
             (std::vector<QString>{folder + QStringLiteral("/000002 (conflicted copy).log"),
                                   folder + QStringLiteral("/000002.sync-conflict-20260301-090000-ABCDEFG.log"),
                                   SyncFolder::deviceFolder(m_root, kDeviceC) + QStringLiteral(".sync-conflict-x")}));
}

void TestSyncLog::compactionKeepsTheLatestAndReadersFollow()
{
    auto log = writer();
    QVERIFY(log && appendSome(*log, 9, QStringLiteral("old")));
    const SyncLogReader::Pass early = readAll();
    SyncLogReader reader(m_root, kDeviceA, m_key);
    const SyncLogReader::Pass halfway = reader.read({}, 4);
    QVERIFY(!log->compactionDue());
    QString error;
    QVERIFY2(log->compact(&error), qPrintable(error));
    QCOMPARE(SyncFolder::segments(SyncFolder::deviceFolder(m_root, kDeviceA)), std::vector<quint32>{2});
    QCOMPARE(log->recordCount(), 3);
    const QStringList latest{QStringLiteral("old6"), QStringLiteral("old7"), QStringLiteral("old8")};
    QVERIFY(log->append(change('a', 10, QStringLiteral("new")), &error));

    // A reader halfway through the removed segment, one at its end and a new one all end with the same entries.
    for (const SyncCursor& from : {halfway.cursor, early.cursor, SyncCursor{}}) {
        const SyncLogReader::Pass pass = reader.read(from);
        QCOMPARE(texts(pass), latest + QStringList{QStringLiteral("new")});
        QCOMPARE(pass.stop, SyncLogReader::Stop::caughtUp);
    }
    log = writer();
    QVERIFY(log);
    QCOMPARE(log->recordCount(), 4);
    QCOMPARE(log->highestClock(), quint64(10));

    // The folder emptied, the log begins again from 1: a reader that was further on starts over too.
    const SyncCursor further = reader.read({}).cursor;
    log.reset();
    QVERIFY(QDir(SyncFolder::deviceFolder(m_root, kDeviceA)).removeRecursively());
    log = writer();
    QVERIFY(log && log->append(change('d', 11, QStringLiteral("again")), &error));
    QCOMPARE(texts(reader.read(further)), QStringList{QStringLiteral("again")});
}

void TestSyncLog::interruptedCompactionIsFinished_data()
{
    QTest::addColumn<int>("keptOfNewSet");
    QTest::newRow("the new set written, the old not yet removed") << 3;
    QTest::newRow("the new set cut short") << 2;
    // Nothing of the new set can be read: the old one stays, to be compacted again when due.
    QTest::newRow("the new set's first record cut short") << 0;
}

// A compaction killed at any point leaves the log readable, and the writer's next start finishes it.
void TestSyncLog::interruptedCompactionIsFinished()
{
    QFETCH(int, keptOfNewSet);
    auto log = writer();
    std::vector<SyncRecord> old;
    for (int i = 0; i < 6; ++i) {
        old.push_back(change(char('a' + i % 3), quint64(i + 1), QStringLiteral("old%1").arg(i)));
    }
    QString error;
    QVERIFY(log && log->append(old, &error));
    const QByteArray oldSegment = fileBytes(segment(1));
    QVERIFY(log->compact(&error));
    log.reset();
    // As the disk held it at the moment of the crash: the old segment still there, the new one written so far.
    QVERIFY(putFile(segment(1), oldSegment));
    const QByteArray newSet = fileBytes(segment(2));
    const qsizetype recordLength = newSet.size() / 3;
    QVERIFY(putFile(segment(2), newSet.first(keptOfNewSet == 0 ? 7 : keptOfNewSet * recordLength)));
    const QStringList latest{QStringLiteral("old3"), QStringLiteral("old4"), QStringLiteral("old5")};
    QCOMPARE(texts(readAll()).mid(6), keptOfNewSet == 0 ? QStringList() : latest.first(keptOfNewSet));

    log = writer();
    QVERIFY(log);
    const QStringList kept = keptOfNewSet == 0 ? texts(readAll()) : latest;
    QCOMPARE(log->recordCount(), kept.size());
    const std::vector<quint32> segments = SyncFolder::segments(SyncFolder::deviceFolder(m_root, kDeviceA));
    QCOMPARE(segments.size(), std::size_t(1));
    QCOMPARE(segments.front() > 1, keptOfNewSet > 0);
    QVERIFY(log->append(change('a', 7, QStringLiteral("new")), &error));
    QCOMPARE(texts(readAll()), kept + QStringList{QStringLiteral("new")});
}

void TestSyncLog::mergeConvergesInAnyOrder_data()
{
    QTest::addColumn<QList<int>>("clocks");
    QTest::addColumn<QList<int>>("credits");
    QTest::addColumn<QString>("current");
    QTest::addColumn<int>("creditedWords");
    // Each of devices A, B and C changes one entry: its clock, and the clock of the edit that set its credit (an
    // edit of a past day keeps the credit it found, set by an earlier change).
    QTest::newRow("the highest clock wins") << QList<int>{3, 5, 4} << QList<int>{3, 5, 4} << "B" << 50;
    QTest::newRow("a tie goes to the greater device") << QList<int>{4, 4, 2} << QList<int>{4, 4, 2} << "B" << 40;
    QTest::newRow("a past day's edit keeps the credit") << QList<int>{3, 6, 4} << QList<int>{3, 1, 4} << "B" << 40;
}

// Three computers edit one entry while apart; whatever order the changes arrive in, each ends with the same text,
// credit and earlier versions, and no text is lost.
void TestSyncLog::mergeConvergesInAnyOrder()
{
    QFETCH(QList<int>, clocks);
    QFETCH(QList<int>, credits);
    QFETCH(QString, current);
    QFETCH(int, creditedWords);
    const QByteArray devices[] = {kDeviceA, kDeviceB, kDeviceC};
    std::vector<SyncRecord> changes;
    for (int i = 0; i < 3; ++i) {
        SyncRecord record = change('e', quint64(clocks[i]), QString(QChar(u'A' + i)), devices[i]);
        record.creditStamp = {quint64(credits[i]), devices[i]};
        record.creditedWords = credits[i] * 10;
        changes.push_back(record);
    }
    std::vector<int> order{0, 1, 2};
    do {
        std::optional<SyncEntryState> state;
        QStringList versions;
        // Changes arrive again, as after a reader moved over to a compacted set: that changes nothing.
        const int arrivals[] = {order[0], order[1], order[1], order[2], order[0]};
        for (int n = 0; n < 5; ++n) {
            const SyncRecord& incoming = changes[std::size_t(arrivals[n])];
            const std::optional<SyncEntryState> before = state;
            const SyncMergeOutcome outcome = SyncMerge::merge(state, incoming);
            if (outcome.keepsVersion) {
                versions << (outcome.body == SyncMergeOutcome::Body::takeIncoming ? before->text : incoming.text);
            }
            if (n == 2 || n == 4) {
                QCOMPARE(outcome.state, *before);
            }
            state = outcome.state;
        }
        QCOMPARE(state->text, current);
        QCOMPARE(state->creditedWords, creditedWords);
        versions.removeDuplicates();
        versions.sort();
        QStringList others{QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")};
        others.removeOne(current);
        QCOMPARE(versions, others);
    } while (std::next_permutation(order.begin(), order.end()));
}

void TestSyncLog::deviceIdIsBoundToTheMachine()
{
    const QString path = m_dir->filePath(QStringLiteral("data/wendle/sync-device"));
    const QString machine = m_dir->filePath(QStringLiteral("machine-id"));
    QVERIFY(putFile(machine, "0123456789abcdef0123456789abcdef\n"));
    QString error;
    const std::optional<QByteArray> made = SyncDevice::id(path, &error, machine);
    QVERIFY2(made && SyncId::isValid(*made), qPrintable(error));
    QCOMPARE(SyncDevice::id(path, &error, machine), made);
    QCOMPARE(QFileInfo(path).permissions()
                 & ~(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser | QFileDevice::WriteUser),
             QFileDevice::Permissions());
    QVERIFY(!fileBytes(path).contains("0123456789abcdef"));

    // The data folder copied to another machine, or a file that is not ours: a new id, kept from then on.
    QVERIFY(putFile(machine, "fedcba9876543210fedcba9876543210\n"));
    const std::optional<QByteArray> elsewhere = SyncDevice::id(path, &error, machine);
    QVERIFY(elsewhere && *elsewhere != *made);
    QCOMPARE(SyncDevice::id(path, &error, machine), elsewhere);
    QVERIFY(putFile(path, fileBytes(path).toUpper()));
    QVERIFY(SyncDevice::id(path, &error, machine) != elsewhere);

    QVERIFY(!SyncDevice::id(m_dir->filePath(QStringLiteral("machine-id/cannot")), &error, machine));
    QVERIFY2(error.contains(QStringLiteral("machine-id/cannot")), qPrintable(error));
}

QTEST_GUILESS_MAIN(TestSyncLog)
#include "TestSyncLog.moc"
