// SPDX-License-Identifier: GPL-3.0-or-later
#include "journal/EntryCrypto.h"
#include "journal/EntryStore.h"
#include "journal/SyncDevice.h"
#include "journal/SyncEngine.h"
#include "journal/SyncFolder.h"
#include "journal/WordCount.h"

#include "SyncComputer.h"
#include "SyncthingPair.h"
#include "TempJournal.h"

#include <QDir>
#include <QDirIterator>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

using namespace wendle;
using namespace wendle::test;

namespace {

/** Generous: two slow cores run Syncthing's hashing, both engines and the test at once. */
constexpr int kArrivalMilliseconds = 60000;
constexpr int kSyncthingMilliseconds = 60000;

/** A word nobody else writes: wherever it turns up, it came from this run. */
QString uniqueWord()
{
    QString word = QStringLiteral("zq");
    for (int i = 0; i < 12; ++i) {
        word += QChar(u'a' + QRandomGenerator::system()->bounded(26));
    }
    return word;
}

/** A computer with a temporary home of its own, syncing through its copy of the folder. */
struct Computer : SyncComputer
{
    QTemporaryDir dir;

    Computer(const QByteArray& machine, std::shared_ptr<const EntryKey> journalKey, const QString& folder)
    {
        home = dir.path();
        key = std::move(journalKey);
        if (!prepare(home, machine) || !start(folder)) {
            qFatal("could not set up computer %s", machine.constData());
        }
    }
    /** Saves a new entry and asks for a pass, as the writing screens do. */
    Entry* write(const QString& text)
    {
        Entry* entry = SyncComputer::write(text);
        engine->syncNow();
        return entry;
    }
    /** An edit on the entry's own day, then a pass. */
    bool edit(const QByteArray& globalId, const QString& text)
    {
        const bool saved = SyncComputer::edit(globalId, text);
        engine->syncNow();
        return saved;
    }
};

/** The files under `folder`, hidden ones too, that hold one of `texts` as UTF-8 or UTF-16. */
QStringList filesHolding(const QString& folder, const QStringList& texts)
{
    QStringList found;
    QDirIterator files(folder, QDir::Files | QDir::Hidden | QDir::NoSymLinks, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QString path = files.next();
        const QByteArray bytes = fileBytes(path);
        for (const QString& text : texts) {
            const QByteArray utf16(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
            if (bytes.contains(text.toUtf8()) || bytes.contains(utf16)) {
                found << path;
                break;
            }
        }
    }
    return found;
}

} // namespace

/** The sync engine with a real sync program between two journals: two Syncthing instances on loopback. */
class TestSyncthing : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void journalsKeepInStepThroughSyncthing();
};

void TestSyncthing::journalsKeepInStepThroughSyncthing()
{
    SyncthingPair pair;
    QVERIFY2(pair.start(kSyncthingMilliseconds), qPrintable(pair.error()));
    // Joining a journal is having its key.
    const std::shared_ptr<const EntryKey> key = EntryKey::random();
    Computer a("a", key, pair.folder(0));
    Computer b("b", key, pair.folder(1));

    // Written on one computer, the entry reaches the other through Syncthing and the engine's watcher.
    const QStringList words{uniqueWord(), uniqueWord(), uniqueWord(), uniqueWord()};
    const QString first = QStringLiteral("Snow on the %1 pass").arg(words[0]);
    Entry* written = a.write(first);
    QVERIFY(written);
    const QByteArray id = written->globalId();
    QTRY_COMPARE_WITH_TIMEOUT(b.text(id), first, kArrivalMilliseconds);
    const Entry* arrived = b.store->entryWithGlobalId(id);
    QCOMPARE(arrived->dayKey(), SyncComputer::day);
    QCOMPARE(arrived->creditedWords(), countWords(first));
    QVERIFY(!b.store->hasUnsavedChanges());

    // Apart, both change the entry and append the change to their own logs. Each edit changes the word count, so
    // the credited words are changed along with the text.
    QVERIFY2(pair.pause(kSyncthingMilliseconds), qPrintable(pair.error()));
    const QString fromA = QStringLiteral("Rain on %1 all day long").arg(words[1]);
    const QString fromB = QStringLiteral("Fog %1").arg(words[2]);
    QVERIFY(a.edit(id, fromA));
    QVERIFY(b.edit(id, fromB));
    QTRY_VERIFY_WITH_TIMEOUT(a.logged(id) && b.logged(id), kArrivalMilliseconds);

    // Together again, both hold the same current text and keep the other as an earlier version. Both changes
    // followed the same last one seen, so the greater device id decides which is later.
    QVERIFY2(pair.resume(kSyncthingMilliseconds), qPrintable(pair.error()));
    QVERIFY2(pair.waitUntilInSync(kSyncthingMilliseconds), qPrintable(pair.error()));
    const bool aWins = b.device() < a.device();
    const QString later = aWins ? fromA : fromB;
    const QString earlier = aWins ? fromB : fromA;
    // The winner's text is current on both at once; the loser's reaches the winner with its next pass.
    const auto settled = [&](const Computer& computer) {
        return computer.text(id) == later && computer.versionTexts(id).contains(earlier);
    };
    QTRY_VERIFY_WITH_TIMEOUT(settled(a) && settled(b), kArrivalMilliseconds);
    for (const Computer* computer : {&a, &b}) {
        QCOMPARE(computer->store->entryWithGlobalId(id)->creditedWords(), countWords(later));
        QCOMPARE(computer->store->entries().size(), std::size_t(1));
    }
    // A killed in the middle of an append leaves a record cut short at the end of its log (the crash trials make
    // such ends for real). B reads everything before it and waits; after A's next start it reads on.
    a.stop();
    const QString aFolder = SyncFolder::deviceFolder(SyncFolder::root(pair.folder(0)), a.device());
    QFile segment(SyncFolder::segmentPath(aFolder, SyncFolder::segments(aFolder).back()));
    QVERIFY(segment.open(QIODevice::Append));
    QVERIFY(segment.write(QByteArray("\0\0\1\0", 4) + QByteArray(40, '\x5a')) == 44);
    segment.close();
    QVERIFY2(pair.waitUntilInSync(kSyncthingMilliseconds), qPrintable(pair.error()));
    QVERIFY(b.pass());
    QCOMPARE(b.engine->status().state, SyncStatus::State::waiting);
    QCOMPARE(b.text(id), later);
    QVERIFY(a.start(pair.folder(0)));
    const QString afterCrash = QStringLiteral("Sun on %1 at last").arg(words[3]);
    Entry* restarted = a.write(afterCrash);
    QVERIFY(restarted);
    QTRY_COMPARE_WITH_TIMEOUT(b.text(restarted->globalId()), afterCrash, kArrivalMilliseconds);
    QTRY_COMPARE_WITH_TIMEOUT(b.engine->status().state, SyncStatus::State::synced, kArrivalMilliseconds);

    // Each log has one writer, so Syncthing never saw one file changed on both sides.
    for (int i = 0; i < SyncthingPair::instances; ++i) {
        const std::vector<QString> copies = SyncFolder::conflictCopies(SyncFolder::root(pair.folder(i)));
        QVERIFY2(copies.empty(), qPrintable(QStringList(copies.begin(), copies.end()).join(u' ')));
    }

    // Nothing the pair keeps, in either copy of the folder or in Syncthing's homes, holds a typed word.
    const QStringList typed = filesHolding(pair.root(), words + QStringList{first, fromA, fromB, afterCrash});
    QVERIFY2(typed.isEmpty(), qPrintable(typed.join(u' ')));
}

QTEST_GUILESS_MAIN(TestSyncthing)
#include "TestSyncthing.moc"
