// SPDX-License-Identifier: GPL-3.0-or-later
// The real wendle-recover, run as a user would run it: no display, no session bus, no keyring.
#include "SqlFile.h"
#include "TempJournal.h"

#include "journal/EntryKeyStore.h"
#include "journal/RecoveryCode.h"
#include "transfer/JournalBackup.h"
#include "transfer/SnapshotWriter.h"
#include "transfer/recover/RecoveryOutput.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

using namespace wendle;
using namespace wendle::test;

namespace {

struct Run
{
    int exitCode = -1;
    QString out;
    QString err;
};

Run recover(const QStringList& arguments, const QByteArray& input = {})
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    environment.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
    process.setProcessEnvironment(environment);
    process.start(QCoreApplication::applicationDirPath() + QStringLiteral("/wendle-recover"), arguments);
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit) {
        return {};
    }
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

/** The journal, its log and its shared-memory file as they are now (null for one that is not there). */
QList<QByteArray> journalBytes(const QString& path)
{
    QList<QByteArray> bytes;
    for (const char* suffix : {"", "-wal", "-shm"}) {
        const QString file = path + QLatin1String(suffix);
        bytes << (QFileInfo::exists(file) ? fileBytes(file) : QByteArray());
    }
    return bytes;
}

const QString snow = QStringLiteral("  Snow on the pass 🏔\n\n## not a heading\n<!-- nor a comment -->\ntrailing  ");

/**
 * A journal of three days; the entry of 2024-03-11 is sealed under a key the journal no longer has, and the second
 * entry of 2024-03-10 keeps its first draft as a version.
 */
void fill(TempJournal& journal)
{
    const QDateTime noon = QDateTime::fromString(QStringLiteral("2024-03-10T12:00:00Z"), Qt::ISODate);
    journal.add(QStringLiteral("2024-03-10"), QStringLiteral("memory-001"), snow, -1, noon);
    journal.add(QStringLiteral("2024-03-10"), Entry::freeformPromptID, QStringLiteral("a draft"), -1, noon.addSecs(60));
    const auto lost = EntryKey::random();
    journal.add(QStringLiteral("2024-03-11"), QStringLiteral("memory-002"), QStringLiteral("gone"), -1, noon.addDays(1),
                lost.get());
    journal.add(QStringLiteral("2024-03-12"), QStringLiteral("memory-003"), QStringLiteral("third day"), -1,
                noon.addDays(2));
    QVERIFY(journal.store->save());
    journal.store->replaceBody(journal.store->entries().at(1), sealEntryText(QStringLiteral("second"), *journal.key),
                               *journal.key);
    QVERIFY(journal.store->save());
}

/** Checks the day files and the summary of the journal `fill` made, with the number of versions expected. */
void checkRecovered(const QDir& out, const Run& run, int versions)
{
    QVERIFY2(run.exitCode == 0, qPrintable(run.err));
    QCOMPARE(out.entryList(QDir::Files | QDir::Hidden),
             QStringList({QStringLiteral("2024-03-10.md"), QStringLiteral("2024-03-11.md"),
                          QStringLiteral("2024-03-12.md"), RecoveryOutput::summaryName}));
    const QString first = QString::fromUtf8(fileBytes(out.filePath(QStringLiteral("2024-03-10.md"))));
    QVERIFY(first.contains(QStringLiteral("\n\n") + snow + u'\n'));
    QVERIFY(first.contains(QStringLiteral("\n\nsecond\n")));
    const QString third = QString::fromUtf8(fileBytes(out.filePath(QStringLiteral("2024-03-12.md"))));
    QVERIFY(third.contains(QStringLiteral("\n\nthird day\n")));
    // Each entry keeps its global id, so what is recovered and imported again is known to sync as that entry.
    QVERIFY(third.contains(QRegularExpression(QStringLiteral(" memory-003 [0-9a-f]{32} -->\n"))));
    QVERIFY(!fileBytes(out.filePath(QStringLiteral("2024-03-11.md"))).contains("gone"));
    const QString summary = QString::fromUtf8(fileBytes(out.filePath(RecoveryOutput::summaryName)));
    QCOMPARE(run.out, summary);
    QVERIFY2(summary.startsWith(QStringLiteral("Entries recovered: 3\nEntries whose text did not open: 1\n"
                                               "Versions recovered: %1\n  did not open: 2024-03-11 ")
                                    .arg(versions)),
             qPrintable(summary));
    QCOMPARE(QFileInfo(out.path()).permissions() & (QFileDevice::ReadOther | QFileDevice::ReadGroup),
             QFileDevice::Permissions());
}

} // namespace

class TestRecover : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void recoversAJournal_data();
    void recoversAJournal();
    void refusesBeforeWritingAnything();
    void recoversABackupAndASnapshot();
    void loadsNoDesktopLibrary();
};

void TestRecover::recoversAJournal_data()
{
    QTest::addColumn<bool>("keepOpen");
    QTest::addColumn<QByteArray>("newerSchema");
    QTest::newRow("closed, code on standard input") << false << QByteArray();
    QTest::newRow("open, its rows in the log") << true << QByteArray();
    QTest::newRow("newer schema") << false
                                  << QByteArray("ALTER TABLE entries ADD COLUMN mood TEXT;"
                                                "CREATE TABLE moods (id INTEGER PRIMARY KEY, body BLOB);"
                                                "ALTER TABLE entry_versions ADD COLUMN note TEXT;"
                                                "PRAGMA user_version = 6;");
}

void TestRecover::recoversAJournal()
{
    QFETCH(bool, keepOpen);
    QFETCH(QByteArray, newerSchema);
    TempJournal journal;
    QVERIFY(journal.store->addKeyCheck(sealKeyCheck(*journal.key)));
    fill(journal);
    const QString path = journal.store->path();
    if (keepOpen) {
        QVERIFY(QFileInfo(path + QStringLiteral("-wal")).size() > 0);
    } else {
        journal.store.reset();
        QVERIFY(newerSchema.isEmpty() || runSql(path, newerSchema));
    }
    const QString code = formatRecoveryCode(keyBytes(*journal.key));
    const QString out = journal.dir.filePath(QStringLiteral("out"));
    const QString codeFile = journal.dir.filePath(QStringLiteral("code"));
    QVERIFY(putFile(codeFile, code.toUtf8()));
    const QList<QByteArray> before = journalBytes(path);

    const Run run = keepOpen ? recover({QStringLiteral("--code-file"), codeFile, path, out})
                             : recover({path, out}, code.toUtf8() + '\n');
    checkRecovered(QDir(out), run, 1);
    QCOMPARE(journalBytes(path), before);
}

void TestRecover::refusesBeforeWritingAnything()
{
    TempJournal journal;
    QVERIFY(journal.store->addKeyCheck(sealKeyCheck(*journal.key)));
    fill(journal);
    const QString path = journal.store->path();
    const QList<QByteArray> before = journalBytes(path);
    QString changed = formatRecoveryCode(keyBytes(*journal.key));
    changed[5] = changed[5] == u'7' ? u'8' : u'7';
    const QString full = journal.dir.filePath(QStringLiteral("full"));
    QVERIFY(QDir().mkpath(full) && putFile(full + QStringLiteral("/mine.md"), "mine"));

    const struct
    {
        QString code;
        QString out;
        QString reason;
    } cases[] = {
        {formatRecoveryCode(keyBytes(*EntryKey::random())), journal.dir.filePath(QStringLiteral("a")),
         QStringLiteral("not the code of the journal")},
        {changed, journal.dir.filePath(QStringLiteral("b")), QStringLiteral("not a recovery code")},
        {formatRecoveryCode(keyBytes(*journal.key)), full, QStringLiteral("is not empty")},
    };
    for (const auto& refused : cases) {
        const Run run = recover({QStringLiteral("--code"), refused.code, path, refused.out});
        QVERIFY(run.exitCode > 0);
        QVERIFY2(run.err.contains(refused.reason) && run.err.count(u'\n') == 1, qPrintable(run.err));
        QVERIFY(run.out.isEmpty());
        QCOMPARE(journalBytes(path), before);
    }
    QVERIFY(!QFileInfo::exists(journal.dir.filePath(QStringLiteral("a"))));
    QVERIFY(!QFileInfo::exists(journal.dir.filePath(QStringLiteral("b"))));
    QCOMPARE(QDir(full).entryList(QDir::Files | QDir::Hidden), QStringList(QStringLiteral("mine.md")));
}

void TestRecover::recoversABackupAndASnapshot()
{
    TempJournal journal;
    fill(journal);
    const QString backup = journal.dir.filePath(QStringLiteral("b.wendlebackup"));
    const QString passphrase = QStringLiteral("correct horse battery staple ");
    const BackupWriteResult written
        = writeBackupFile(backup, snapshotJournal(*journal.store, *journal.key, true), passphrase, {10, 8, 1});
    QVERIFY2(written.error.isEmpty(), qPrintable(written.error));
    const QByteArray before = fileBytes(backup);

    const QString wrongOut = journal.dir.filePath(QStringLiteral("wrong"));
    const Run wrong = recover({backup, wrongOut}, "correct horse battery staple\n");
    QVERIFY(wrong.exitCode > 0 && wrong.err.contains(QStringLiteral("not the passphrase")));
    QVERIFY(!QFileInfo::exists(wrongOut));

    const QString out = journal.dir.filePath(QStringLiteral("out"));
    const QString file = journal.dir.filePath(QStringLiteral("pass"));
    QVERIFY(putFile(file, passphrase.toUtf8() + '\n'));
    checkRecovered(QDir(out), recover({QStringLiteral("--passphrase-file"), file, backup, out}), 1);
    QCOMPARE(fileBytes(backup), before);

    // A snapshot opens with the recovery code, not a passphrase, and only with its own journal's.
    const QString folder = journal.dir.filePath(QStringLiteral("snapshots"));
    const SnapshotOutcome snapshot
        = writeSnapshot(folder, QDate(2024, 3, 12), journal.store->path(), SnapshotKey(*journal.key));
    QVERIFY2(snapshot.problem.isEmpty(), qPrintable(snapshot.problem));
    const Run other = recover({QStringLiteral("--code"), formatRecoveryCode(keyBytes(*EntryKey::random())),
                               snapshot.path, journal.dir.filePath(QStringLiteral("other"))});
    QVERIFY2(other.exitCode > 0 && other.err.contains(QStringLiteral("not the code of the snapshot")),
             qPrintable(other.err));
    const QString fromSnapshot = journal.dir.filePath(QStringLiteral("from-snapshot"));
    checkRecovered(
        QDir(fromSnapshot),
        recover({QStringLiteral("--code"), formatRecoveryCode(keyBytes(*journal.key)), snapshot.path, fromSnapshot}),
        1);
}

// It must run where the desktop no longer starts: no widgets, no display connection, no session bus.
void TestRecover::loadsNoDesktopLibrary()
{
    QProcess ldd;
    ldd.start(QStringLiteral("ldd"), {QCoreApplication::applicationDirPath() + QStringLiteral("/wendle-recover")});
    QVERIFY(ldd.waitForFinished() && ldd.exitCode() == 0);
    const QByteArray libraries = ldd.readAllStandardOutput();
    QVERIFY(libraries.contains("libQt6Core"));
    for (const char* library : {"libQt6Gui", "libQt6Widgets", "libQt6DBus", "libX11", "libsecret"}) {
        QVERIFY2(!libraries.contains(library), library);
    }
}

QTEST_GUILESS_MAIN(TestRecover)
#include "TestRecover.moc"
