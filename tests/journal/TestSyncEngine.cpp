// SPDX-License-Identifier: GPL-3.0-or-later
#include "journal/EntryCrypto.h"
#include "journal/EntryKeyStore.h"
#include "journal/EntryStore.h"
#include "journal/SyncDevice.h"
#include "journal/SyncEngine.h"
#include "journal/SyncFolder.h"
#include "journal/SyncLogReader.h"
#include "journal/SyncRecord.h"

#include "SyncComputer.h"
#include "TempJournal.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>

#include <cstdio>
#include <unistd.h>

using namespace wendle;
using namespace wendle::test;

using Computer = SyncComputer;

class TestSyncEngine : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void changesReachTheOtherComputers();
    void concurrentEditsConverge_data();
    void concurrentEditsConverge();
    void restartsLoseNothingAndRepeatNothing();
    void anotherJournalIsNotAppliedUntilJoined();
    void noFolderWritesNothing();
    void folderChangesAreSeenAndConflictCopiesToldOnce();
    void anEntryTooLongForARecordHoldsBackNoOther();

private:
    Computer& make(const QString& name, std::shared_ptr<const EntryKey> key)
    {
        const QString home = m_dir->filePath(name);
        QDir().mkpath(home);
        SyncComputer::prepare(home, name.toUtf8());
        m_computers.push_back(std::make_unique<Computer>(Computer{home, std::move(key), nullptr, nullptr}));
        if (!m_computers.back()->start(m_folder)) {
            qFatal("could not open %s's journal", qPrintable(name));
        }
        return *m_computers.back();
    }
    /** The records of `device`'s log. */
    std::vector<SyncRecord> logOf(const QByteArray& device) const
    {
        std::vector<SyncRecord> records;
        for (SyncLogReader::Read& read : SyncLogReader(SyncFolder::root(m_folder), device, m_key).read({}).records) {
            records.push_back(std::move(read.record));
        }
        return records;
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_folder;
    std::shared_ptr<const EntryKey> m_key = EntryKey::random();
    std::vector<std::unique_ptr<Computer>> m_computers;
};

void TestSyncEngine::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_folder = m_dir->filePath(QStringLiteral("Sync"));
    QVERIFY(QDir().mkpath(m_folder));
}

void TestSyncEngine::cleanup()
{
    m_computers.clear();
}

void TestSyncEngine::changesReachTheOtherComputers()
{
    Computer& a = make(QStringLiteral("a"), m_key);
    Computer& b = make(QStringLiteral("b"), m_key);
    Entry* written = a.write(QStringLiteral("Snow on the pass"));
    QVERIFY(written);
    const QByteArray id = written->globalId();
    QVERIFY(a.pass());
    QCOMPARE(a.engine->status().state, SyncStatus::State::synced);

    QVERIFY(b.pass());
    QCOMPARE(b.text(id), QStringLiteral("Snow on the pass"));
    QCOMPARE(b.store->entryWithGlobalId(id)->creditedWords(), 4);
    QCOMPARE(b.store->entryWithGlobalId(id)->dayKey(), QStringLiteral("2026-03-01"));
    QCOMPARE(b.engine->status().state, SyncStatus::State::synced);
    QVERIFY(b.engine->status().lastSynced.isValid());
    // What came in is not sent back out.
    QVERIFY(logOf(b.device()).empty());

    // An edit of a past day moves the text, never the credited words; one on the entry's own day moves both.
    QVERIFY(b.edit(id, QStringLiteral("Snow on the pass, and later rain"), false));
    QVERIFY(b.pass());
    QVERIFY(a.pass());
    QCOMPARE(a.text(id), QStringLiteral("Snow on the pass, and later rain"));
    QCOMPARE(written->creditedWords(), 4);
    QVERIFY(a.edit(id, QStringLiteral("Rain"), true));
    QVERIFY(a.pass());
    QVERIFY(b.pass());
    QCOMPARE(b.text(id), QStringLiteral("Rain"));
    QCOMPARE(b.store->entryWithGlobalId(id)->creditedWords(), 1);
    QCOMPARE(logOf(a.device()).size(), std::size_t(2));
    QCOMPARE(logOf(b.device()).size(), std::size_t(1));
    // The same text saved again (a screen saving what it loaded) is no change that could outrank another's edit.
    QVERIFY(b.edit(id, QStringLiteral("Rain")));
    QVERIFY(b.pass());
    QCOMPARE(logOf(b.device()).size(), std::size_t(1));

    // A record still arriving: b waits for it, and reads nothing of it.
    QFile segment(SyncFolder::segmentPath(SyncFolder::deviceFolder(SyncFolder::root(m_folder), a.device()), 1));
    QVERIFY(segment.open(QIODevice::Append) && segment.write(QByteArray("\0\0\1", 3)) == 3);
    segment.close();
    QVERIFY(b.pass());
    QCOMPARE(b.engine->status().state, SyncStatus::State::waiting);
    QCOMPARE(b.engine->status().waitingComputers, 1);
    QCOMPARE(b.text(id), QStringLiteral("Rain"));
}

// Two computers change one entry while neither has seen the other's change; a third sees them in any order.
void TestSyncEngine::concurrentEditsConverge_data()
{
    QTest::addColumn<bool>("aFirst");
    QTest::addColumn<bool>("together");
    QTest::newRow("a's change first") << true << false;
    QTest::newRow("b's change first") << false << false;
    QTest::newRow("both in one pass") << true << true;
}

void TestSyncEngine::concurrentEditsConverge()
{
    QFETCH(bool, aFirst);
    QFETCH(bool, together);
    Computer& a = make(QStringLiteral("a"), m_key);
    Computer& b = make(QStringLiteral("b"), m_key);
    Computer& c = make(QStringLiteral("c"), m_key);
    const QByteArray id = a.write(QStringLiteral("first"))->globalId();
    QVERIFY(a.pass() && b.pass() && c.pass());
    QCOMPARE(c.text(id), QStringLiteral("first"));

    Computer& early = aFirst ? a : b;
    Computer& late = aFirst ? b : a;
    late.engine->locked();
    QVERIFY(a.edit(id, QStringLiteral("from a"), true));
    QVERIFY(b.edit(id, QStringLiteral("from b"), true));
    QVERIFY(early.pass());
    if (!together) {
        QVERIFY(c.pass());
    }
    late.engine->unlocked(m_key);
    QVERIFY(late.pass() && early.pass() && c.pass());

    // The same stamps on both: the greater device id breaks the tie.
    const bool aWins = b.device() < a.device();
    const QString winner = aWins ? QStringLiteral("from a") : QStringLiteral("from b");
    const QString loser = aWins ? QStringLiteral("from b") : QStringLiteral("from a");
    for (Computer* computer : {&a, &b, &c}) {
        QCOMPARE(computer->text(id), winner);
        QVERIFY2(computer->versionTexts(id).contains(loser), qPrintable(computer->versionTexts(id).join(u'|')));
        QCOMPARE(computer->store->entries().size(), std::size_t(1));
        QVERIFY(!computer->store->hasUnsavedChanges());
    }
}

void TestSyncEngine::restartsLoseNothingAndRepeatNothing()
{
    Computer& a = make(QStringLiteral("a"), m_key);
    Computer& b = make(QStringLiteral("b"), m_key);
    const QByteArray id = a.write(QStringLiteral("kept"))->globalId();
    QVERIFY(a.pass() && b.pass());

    // Where reading stopped is in the journal: a restarted computer reads nothing again.
    b.stop();
    QVERIFY(b.start(m_folder));
    const quint64 revision = b.store->revision();
    QVERIFY(b.pass());
    QCOMPARE(b.store->revision(), revision);
    QVERIFY(b.versionTexts(id).isEmpty());
    QCOMPARE(b.engine->status().state, SyncStatus::State::synced);

    // The change is saved, and the program ends before its record is appended: the next start appends it.
    QVERIFY(a.edit(id, QStringLiteral("kept, and more"), true));
    a.stop();
    QCOMPARE(logOf(a.device()).size(), std::size_t(1));
    QVERIFY(a.start(m_folder));
    QVERIFY(a.pass());
    QCOMPARE(logOf(a.device()).size(), std::size_t(2));

    // A lock in the middle of a pass: what the pass read is dropped, and read again after unlocking.
    QSignalSpy finished(b.engine.get(), &SyncEngine::passFinished);
    b.engine->syncNow();
    QCoreApplication::processEvents();
    b.engine->locked();
    QTest::qWait(300);
    QCOMPARE(finished.size(), 0);
    QCOMPARE(b.text(id), QStringLiteral("kept"));
    b.engine->unlocked(m_key);
    QVERIFY(b.pass());
    QCOMPARE(b.text(id), QStringLiteral("kept, and more"));
    QCOMPARE(b.versionTexts(id), QStringList{QStringLiteral("kept")});
    QCOMPARE(b.store->entryWithGlobalId(id)->creditedWords(), 3);
}

void TestSyncEngine::anotherJournalIsNotAppliedUntilJoined()
{
    Computer& stranger = make(QStringLiteral("stranger"), EntryKey::random());
    QVERIFY(stranger.write(QStringLiteral("someone else's journal")));
    QVERIFY(stranger.pass());
    Computer& a = make(QStringLiteral("a"), m_key);
    QVERIFY(a.write(QStringLiteral("mine")));
    QVERIFY(a.pass());
    QCOMPARE(a.engine->status().state, SyncStatus::State::differentKey);
    QCOMPARE(a.store->entries().size(), std::size_t(1));
    QCOMPARE(stranger.engine->status().state, SyncStatus::State::synced);
    QVERIFY(stranger.pass());
    QCOMPARE(stranger.engine->status().state, SyncStatus::State::differentKey);
    QCOMPARE(stranger.store->entries().size(), std::size_t(1));

    // The stranger joins a's journal: its writing is sealed again under a's key, and its log starts over under it.
    InMemoryKeychain keychain;
    std::optional<EntryKeyResult> joined;
    joinEntryKey(keychain, *stranger.store, m_key, stranger.key, [&](EntryKeyResult result) { joined = result; });
    QVERIFY(joined && joined->key);
    stranger.key = m_key;
    stranger.engine->unlocked(m_key);
    QVERIFY(QTest::qWaitFor(
        [&] {
            return stranger.engine->status().state == SyncStatus::State::synced && stranger.store->entries().size() == 2
                && logOf(stranger.device()).size() == 1;
        },
        10000));
    QVERIFY(a.pass());
    QCOMPARE(a.engine->status().state, SyncStatus::State::synced);
    for (const Computer* computer : {&a, &stranger}) {
        QStringList texts;
        for (const Entry* entry : computer->store->entries()) {
            texts << openEntryText(entry->cipherBody(), *m_key);
        }
        texts.sort();
        QCOMPARE(texts, QStringList({QStringLiteral("mine"), QStringLiteral("someone else's journal")}));
    }
    // Every record of the stranger's log opens under the joined key; nothing under its old one is left.
    const QString strangerLog = SyncFolder::deviceFolder(SyncFolder::root(m_folder), stranger.device());
    const std::vector<quint32> segments = SyncFolder::segments(strangerLog);
    QVERIFY(!segments.empty() && segments.front() > 1);
    QCOMPARE(SyncLogReader(SyncFolder::root(m_folder), stranger.device(), m_key).read({}).stop,
             SyncLogReader::Stop::caughtUp);
}

void TestSyncEngine::noFolderWritesNothing()
{
    Computer& a = make(QStringLiteral("a"), m_key);
    a.engine->setFolder({});
    QVERIFY(a.write(QStringLiteral("private")));
    QTest::qWait(100);
    QCOMPARE(a.engine->status().state, SyncStatus::State::off);
    QCOMPARE(QDir(m_folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
    QVERIFY(!QFile::exists(a.home + QStringLiteral("/sync-device")));

    // A folder that is gone (a drive not mounted) is reported, never made again.
    const QString gone = m_dir->filePath(QStringLiteral("unmounted"));
    QSignalSpy finished(a.engine.get(), &SyncEngine::passFinished);
    a.engine->setFolder(gone);
    QVERIFY(finished.wait(10000));
    QCOMPARE(a.engine->status().state, SyncStatus::State::failed);
    QVERIFY2(a.engine->status().failure.contains(gone), qPrintable(a.engine->status().failure));
    QVERIFY(!QFile::exists(gone));
}

void TestSyncEngine::folderChangesAreSeenAndConflictCopiesToldOnce()
{
    Computer& a = make(QStringLiteral("a"), m_key);
    Computer& b = make(QStringLiteral("b"), m_key);
    QVERIFY(a.write(QStringLiteral("first")));
    QVERIFY(a.pass());
    QVERIFY(b.pass());
    QVERIFY(a.pass());

    // No pass is asked for: b's watcher sees a's segment change and reads it once the folder settles.
    const QByteArray id = a.write(QStringLiteral("seen by the watcher"))->globalId();
    QTRY_COMPARE_WITH_TIMEOUT(b.text(id), QStringLiteral("seen by the watcher"), 5000);

    // A conflict copy the sync program left is never read, and the log tells of it once, not at every pass.
    const QString copy = SyncFolder::deviceFolder(SyncFolder::root(m_folder), a.device())
        + QStringLiteral("/000001.sync-conflict-20261208-101010-ABCDEFG.log");
    QVERIFY(QFile::copy(SyncFolder::segmentPath(QFileInfo(copy).path(), 1), copy));
    QTemporaryFile captured;
    QVERIFY(captured.open());
    fflush(stderr);
    const int savedError = ::dup(STDERR_FILENO);
    ::dup2(captured.handle(), STDERR_FILENO);
    const bool passed = b.pass() && b.pass();
    fflush(stderr);
    ::dup2(savedError, STDERR_FILENO);
    ::close(savedError);
    QVERIFY(passed);
    QVERIFY(captured.seek(0));
    QCOMPARE(QString::fromUtf8(captured.readAll()).count(copy), 1);
    QCOMPARE(b.store->entries().size(), std::size_t(2));
    QCOMPARE(b.engine->status().state, SyncStatus::State::synced);
}

void TestSyncEngine::anEntryTooLongForARecordHoldsBackNoOther()
{
    Computer& a = make(QStringLiteral("a"), m_key);
    Computer& b = make(QStringLiteral("b"), m_key);
    const QByteArray huge = a.write(QString(int(SyncRecordFormat::maxTextLength / 2) + 1, QChar(0x00E9)))->globalId();
    const QByteArray small = a.write(QStringLiteral("small"))->globalId();
    QVERIFY(a.pass());
    QCOMPARE(a.engine->status().state, SyncStatus::State::synced);
    QCOMPARE(a.engine->status().entriesTooLong, 1);
    QVERIFY(b.pass());
    QCOMPARE(b.text(small), QStringLiteral("small"));
    QVERIFY(!b.store->entryWithGlobalId(huge));

    // Cut down, it goes.
    QVERIFY(a.edit(huge, QStringLiteral("cut down")));
    QVERIFY(a.pass());
    QCOMPARE(a.engine->status().entriesTooLong, 0);
    QVERIFY(b.pass());
    QCOMPARE(b.text(huge), QStringLiteral("cut down"));
}

QTEST_GUILESS_MAIN(TestSyncEngine)
#include "TestSyncEngine.moc"
