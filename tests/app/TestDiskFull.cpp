// SPDX-License-Identifier: GPL-3.0-or-later
// The disk fills up while the user writes: the real program, with its data folder on a tiny file system mounted
// for it alone. The Today screen says so in its quiet line, keeps the text and saves it once there is room again;
// nothing stored before is harmed.
#include "ui/Typography.h"

#include "RealWendle.h"
#include "SqlFile.h"
#include "TempJournal.h"

#include <QFontMetrics>
#include <QTemporaryDir>

#include <cerrno>
#include <cstring>
#include <sched.h>
#include <sys/mount.h>
#include <sys/statvfs.h>

using namespace wendle;
using namespace wendle::test;

class TestDiskFull : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void fullDiskIsSaidQuietlyAndTheWritingLandsLater();

private:
    QTemporaryDir m_home;
    QString m_data = m_home.filePath(QStringLiteral("xdg_data_home"));
};

void TestDiskFull::initTestCase()
{
    if (qEnvironmentVariableIsEmpty("WENDLE_TEST_SESSION")) {
        QFAIL("needs the test session: run inside scripts/test-session.sh");
    }
    clearKeyringEntryKey();
    // A mount namespace of this test's own, so the 1 MiB file system on the data folder is seen only by the test
    // and what it starts, and goes away with them.
    QDir().mkpath(m_data);
    const QByteArray data = QFile::encodeName(m_data);
    if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0
        || ::mount("tmpfs", data.constData(), "tmpfs", 0, "size=1M,mode=0700") != 0) {
        QSKIP(qPrintable(QStringLiteral("a small file system cannot be mounted here (this needs the right to make "
                                        "a mount namespace, as root has): %1")
                             .arg(QString::fromLocal8Bit(strerror(errno)))));
    }
}

void TestDiskFull::cleanupTestCase()
{
    // The temporary folder can then go.
    ::umount2(QFile::encodeName(m_data).constData(), MNT_DETACH);
}

void TestDiskFull::fullDiskIsSaidQuietlyAndTheWritingLandsLater()
{
    const QProcessEnvironment environment
        = withFolders(m_home.path(), {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_STATE_HOME"});
    const QString journal = m_data + QStringLiteral("/wendle/journal.sqlite");

    // Written while there is room: today's first words, and an entry of the day before.
    QString typed = QStringLiteral("Rain on the roof all night.");
    {
        RealWendle wendle;
        QVERIFY(wendle.start(environment));
        QVERIFY(wendle.unlock());
        QVERIFY(wendle.dismissRecoveryCode());
        QVERIFY(wendle.writeAndQuit(typed));
    }
    const auto key = keyringEntryKey();
    QVERIFY(key);
    const QByteArray earlier = addYesterday(journal, QStringLiteral("The day before."), *key);
    QVERIFY(!earlier.isEmpty());

    RealWendle wendle;
    QVERIFY(wendle.start(environment));
    const qint64 pid = wendle.process.processId();
    QVERIFY(wendle.unlock());
    const QString window = wendle.mainWindow();
    const QStringList windows = windowsShowing(pid);

    // A filler file takes all but two pages of the room left; then the writing goes on until a save fails.
    struct statvfs room
    {
    };
    QVERIFY(::statvfs(QFile::encodeName(m_data).constData(), &room) == 0);
    QFile filler(m_data + QStringLiteral("/filler"));
    QVERIFY(filler.open(QIODevice::WriteOnly));
    filler.write(QByteArray(qint64(room.f_bavail * room.f_bsize) - 8192, 'x'));
    filler.close();
    const QString line = QStringLiteral("Not saved yet — the disk is full. Wendle keeps trying.");
    const auto says = [pid](const QString& text) { return accessible(pid, {QStringLiteral("lines")}).contains(text); };
    bool full = false;
    for (int sentence = 1; sentence <= 20 && !full; ++sentence) {
        const QString more = QStringLiteral(" Sentence %1 of the long walk home.").arg(sentence);
        QVERIFY(wendle.focusAndType(window, more));
        typed += more;
        full = QTest::qWaitFor([&] { return says(line); }, 2500);
    }
    QVERIFY2(full, "the Today screen never said that the disk is full");

    // Said quietly, with no window of its own; the text stays in the editor, and the file is sound.
    QCOMPARE(windowsShowing(pid), windows);
    QVERIFY(says(typed));
    // The whole sentence has room on screen.
    const QStringList box = accessible(pid, {QStringLiteral("where"), line}).split(u' ');
    QVERIFY(box.size() == 4 && box[2].toInt() >= QFontMetrics(Typography::font(12)).horizontalAdvance(line));
    QCOMPARE(querySql(journal, "PRAGMA integrity_check"), QByteArray("ok"));

    // Room again: the next try saves everything, and the line goes.
    QVERIFY(filler.remove());
    QTRY_VERIFY_WITH_TIMEOUT(!says(line), 12000);
    QVERIFY(wendle.quit());
    stopReminderAgentOf(environment.value(QStringLiteral("XDG_STATE_HOME")));

    QCOMPARE(querySql(journal, "PRAGMA integrity_check"), QByteArray("ok"));
    auto store = EntryStore::open(journal, nullptr);
    QVERIFY(store && store->entries().size() == 2);
    QCOMPARE(openEntryText(store->entries()[0]->cipherBody(), *key), typed);
    QCOMPARE(store->entries()[1]->cipherBody(), earlier);
}

QTEST_MAIN(TestDiskFull)
#include "TestDiskFull.moc"
