// SPDX-License-Identifier: GPL-3.0-or-later
// Wendle as a user meets it: the real program in the test session, driven through the X server. Permissions mean
// nothing to root, so when the test is root the program runs as an unprivileged user where they matter.
#include "journal/Calendar.h"
#include "journal/DayKey.h"
#include "journal/EntryCrypto.h"
#include "journal/EntryStore.h"

#include "RealWendle.h"
#include "SqlFile.h"
#include "TempJournal.h"
#include "TrayHost.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <X11/Xlib.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace wendle;
using namespace wendle::test;

namespace {

mode_t modeOf(const QString& path)
{
    struct stat info
    {
    };
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_mode & 07777 : 0;
}

void setMode(const QString& path, mode_t mode)
{
    ::chmod(QFile::encodeName(path).constData(), mode);
    if (::geteuid() == 0) {
        [[maybe_unused]] const int changed = ::chown(QFile::encodeName(path).constData(), nobody, nobody);
    }
}

/** What a window manager's close button sends: a request the window may answer by hiding instead. */
void askToClose(const QString& windowId)
{
    Display* display = XOpenDisplay(nullptr);
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = windowId.toULong();
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, event.xclient.window, False, NoEventMask, &event);
    XCloseDisplay(display);
}

} // namespace

class TestEndToEnd : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void writeQuitAndComeBack();
    void quickEntryWithoutATray();
    void terminationKeepsTheLastWords();
    void writingThatCannotBeSavedIsReportedAtTermination();
    // A journal, log or folder that cannot be written is refused at start with a message naming it, unchanged.
    void unwritableFilesAreRefusedUnchanged_data();
    void unwritableFilesAreRefusedUnchanged();
    void closingIntoTheTrayKeepsItRunning();
    void aLostKeyIsReplacedByANewOne();
    void aDamagedJournalIsRefusedOverTheLockScreen();

private:
    QProcessEnvironment environment() const { return withFolders(m_home.path(), {"XDG_DATA_HOME", "XDG_CONFIG_HOME"}); }
    void start(QProcess::ProcessChannelMode channels = QProcess::ForwardedChannels);
    QString storedText();
    QString journalPath() const { return m_home.filePath(QStringLiteral("xdg_data_home/wendle/journal.sqlite")); }

    QTemporaryDir m_home;
    RealWendle m_wendle;
};

void TestEndToEnd::initTestCase()
{
    if (qEnvironmentVariableIsEmpty("DISPLAY") || qEnvironmentVariableIsEmpty("WENDLE_TEST_PASSWORD")) {
        QFAIL("needs the test session: run inside scripts/test-session.sh");
    }
    // Empty data, and no entry key in the keyring.
    clearKeyringEntryKey();
}

void TestEndToEnd::start(QProcess::ProcessChannelMode channels)
{
    m_wendle.process.setProcessChannelMode(channels);
    QVERIFY(m_wendle.start(environment()));
    QVERIFY2(m_wendle.unlock(), "the lock screen did not take the password");
}

// The text of the one entry in the journal, opened with the key the keyring holds: checked from outside the app.
QString TestEndToEnd::storedText()
{
    const auto key = keyringEntryKey();
    if (!key || test::querySql(journalPath(), "SELECT count(*) FROM entries") != "1") {
        return QStringLiteral("<not one entry under the keyring's key>");
    }
    return openEntryText(test::querySql(journalPath(), "SELECT cipher_body FROM entries"), *key);
}

void TestEndToEnd::writeQuitAndComeBack()
{
    start();
    // A new journal's key: its recovery code is shown once, over the Today screen.
    QVERIFY(m_wendle.dismissRecoveryCode());
    const QString first = QStringLiteral("The kettle sang. I wrote two sentences before the sun came up.");
    QVERIFY(m_wendle.writeAndQuit(first));

    // Sealed on disk (the plaintext audit looks for its words in every file).
    QCOMPARE(storedText(), first);

    // Again: the text comes back into the editor, and what is added goes after it.
    start();
    QVERIFY(m_wendle.writeAndQuit(QStringLiteral(" Then the birds.")));
    QCOMPARE(storedText(), first + QStringLiteral(" Then the birds."));
}

void TestEndToEnd::quickEntryWithoutATray()
{
    // Started for quick entry, Wendle shows only the panel; its "Unlock" asks for the password.
    const QString before = storedText();
    QVERIFY(m_wendle.start(environment(), {}, {QStringLiteral("--quick-entry")}));
    const qint64 pid = m_wendle.process.processId();
    QVERIFY(QTest::qWaitFor([pid] { return press(pid, QStringLiteral("Unlock with password")); }, 10000));
    QVERIFY2(m_wendle.unlock(), "the password dialog did not take the password");
    QString panel;
    QVERIFY(QTest::qWaitFor([&] { return !(panel = windowId(QStringLiteral("^wendle$"))).isEmpty(); }, 5000));
    QVERIFY(m_wendle.mainWindow().isEmpty());
    QVERIFY(m_wendle.focusAndType(panel, QStringLiteral(" From the panel.")));
    QTest::qWait(1500);
    QCOMPARE(storedText(), before + QStringLiteral(" From the panel."));

    // A second quick entry opens the same panel in the running Wendle and ends.
    QVERIFY(handsOver(environment(), {QStringLiteral("--quick-entry")}));
    QCOMPARE(windowsShowing(pid).size(), 1);

    // Put away, the panel leaves nothing behind: without a tray or the window, Wendle ends.
    QVERIFY(xdotool({QStringLiteral("key"), QStringLiteral("Escape")}));
    QVERIFY(m_wendle.process.waitForFinished(10000));
    QCOMPARE(m_wendle.process.exitCode(), 0);
    QCOMPARE(storedText(), before + QStringLiteral(" From the panel."));
}

void TestEndToEnd::terminationKeepsTheLastWords()
{
    start();
    const QString before = storedText();
    QVERIFY(m_wendle.focusAndType(m_wendle.mainWindow(), QStringLiteral(" Last words.")));
    // SIGTERM well inside the autosave's second.
    m_wendle.process.terminate();
    QVERIFY(m_wendle.process.waitForFinished(10000));
    QCOMPARE(m_wendle.process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(storedText(), before + QStringLiteral(" Last words."));
}

void TestEndToEnd::writingThatCannotBeSavedIsReportedAtTermination()
{
    start(QProcess::SeparateChannels);
    const QString before = storedText();
    // From now on no file of Wendle's can grow: every save fails as on a full disk.
    QVERIFY(QProcess::execute(
                QStringLiteral("prlimit"),
                {QStringLiteral("--pid"), QString::number(m_wendle.process.processId()), QStringLiteral("--fsize=1")})
            == 0);
    QVERIFY(m_wendle.focusAndType(m_wendle.mainWindow(), QStringLiteral(" Words with no room.")));
    QTest::qWait(1500);
    m_wendle.process.terminate();
    QVERIFY(m_wendle.process.waitForFinished(10000));
    QCOMPARE(m_wendle.process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(m_wendle.process.exitCode(), 1);
    QVERIFY(QString::fromUtf8(m_wendle.process.readAllStandardError())
                .contains(QStringLiteral("the latest writing could not be saved and is lost")));
    QCOMPARE(storedText(), before);
}

void TestEndToEnd::unwritableFilesAreRefusedUnchanged_data()
{
    QTest::addColumn<QString>("unwritable");
    QTest::addColumn<QString>("message");
    QTest::newRow("journal") << "journal.sqlite"
                             << "journal.sqlite cannot be written";
    QTest::newRow("log") << "journal.sqlite-wal"
                         << "journal.sqlite-wal cannot be written";
    // The instance lock lives in the same folder: this must not read as "already running".
    QTest::newRow("folder") << "."
                            << "Couldn't use Wendle's data folder FOLDER: it cannot be written";
}

void TestEndToEnd::unwritableFilesAreRefusedUnchanged()
{
    QFETCH(QString, unwritable);
    QFETCH(QString, message);
    QTemporaryDir home;
    ::chmod(QFile::encodeName(home.path()).constData(), 0755);
    QProcessEnvironment environment = withFolders(home.path(), {"HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME"});
    const QString folder = home.filePath(QStringLiteral("xdg_data_home/wendle"));
    const QString journal = folder + QStringLiteral("/journal.sqlite");
    QVERIFY(EntryStore::open(journal, nullptr));
    QFile(journal + QStringLiteral("-wal")).open(QIODevice::WriteOnly);
    for (const QString& path :
         {home.filePath(QStringLiteral("xdg_data_home")), folder, journal, journal + QStringLiteral("-wal")}) {
        setMode(path, QFileInfo(path).isDir() ? 0700 : 0600);
    }
    const QString target = QDir(folder).filePath(unwritable);
    setMode(target, QFileInfo(target).isDir() ? 0500 : 0400);
    const QByteArray before = test::fileBytes(journal);

    RealWendle wendle;
    wendle.process.setProcessChannelMode(QProcess::SeparateChannels);
    QVERIFY(wendle.start(environment, unprivileged(environment)));

    // The message is a dialog too: the user closes it, then Wendle ends.
    QVERIFY(RealWendle::confirm(windowId(QStringLiteral("^Wendle$"))));
    QVERIFY(wendle.process.waitForFinished(10000));
    QCOMPARE(wendle.process.exitCode(), 1);
    const QString said = QString::fromLocal8Bit(wendle.process.readAllStandardError());
    QVERIFY2(said.contains(QString(message).replace(QStringLiteral("FOLDER"), folder)), qPrintable(said));
    QVERIFY(!said.contains(QStringLiteral("already running")));

    QCOMPARE(modeOf(target), QFileInfo(target).isDir() ? mode_t(0500) : mode_t(0400));
    QCOMPARE(test::fileBytes(journal), before);
    setMode(target, 0700);
}

void TestEndToEnd::closingIntoTheTrayKeepsItRunning()
{
    TrayHost tray;
    QVERIFY(tray.isReady());
    start();
    const QString before = storedText();

    // Closed, the window goes to the tray: the program, and its unlocked journal, stay.
    const QString window = windowId(QStringLiteral("^Wendle$"));
    QVERIFY(!window.isEmpty());
    askToClose(window);
    QTRY_VERIFY(windowId(QStringLiteral("^Wendle$"), 0).isEmpty());
    QTest::qWait(500);
    QCOMPARE(m_wendle.process.state(), QProcess::Running);

    // Starting Wendle again brings that window back, still on the Today screen.
    QVERIFY(handsOver(environment()));
    QVERIFY(!windowId(QStringLiteral("^Wendle$")).isEmpty());
    QVERIFY(m_wendle.writeAndQuit(QStringLiteral(" Back from the tray.")));
    QCOMPARE(storedText(), before + QStringLiteral(" Back from the tray."));
}

void TestEndToEnd::aLostKeyIsReplacedByANewOne()
{
    // A journal of its own with an entry of the day before, whose key the keyring no longer holds.
    QTemporaryDir home;
    const QProcessEnvironment environment = withFolders(home.path(), {"XDG_DATA_HOME", "XDG_CONFIG_HOME"});
    const QString journal = home.filePath(QStringLiteral("xdg_data_home/wendle/journal.sqlite"));
    const auto lost = EntryKey::random();
    const QByteArray earlier = addYesterday(journal, QStringLiteral("Written under the lost key."), *lost);
    QVERIFY(!earlier.isEmpty());
    clearKeyringEntryKey();

    RealWendle wendle;
    QVERIFY(wendle.start(environment));
    const qint64 pid = wendle.process.processId();
    QVERIFY2(wendle.unlock(), "the lock screen did not take the password");
    const auto says = [pid](const QString& text) { return accessible(pid, {QStringLiteral("lines")}).contains(text); };
    QVERIFY(QTest::qWaitFor([&] { return says(QStringLiteral("key is missing from the keyring")); }, 5000));

    // From the click, through the confirmation and the password, to the Today screen under a new key.
    QVERIFY(press(pid, QStringLiteral("Continue with a new key…")));
    QVERIFY(!windowId(QStringLiteral("^Continue with a new key$")).isEmpty());
    QVERIFY(press(pid, QStringLiteral("Continue with a new key")));
    QVERIFY2(wendle.unlock(), "no password was asked for the new key");
    QVERIFY(wendle.dismissRecoveryCode());
    const QString typed = QStringLiteral("A fresh start.");
    QVERIFY(wendle.writeAndQuit(typed));

    const auto key = keyringEntryKey();
    QVERIFY(key && !sameKey(*key, *lost));
    auto store = EntryStore::open(journal, nullptr);
    QVERIFY(store && store->entries().size() == 2);
    // The old entry stays as it was; today's opens under the new key.
    const auto today = std::find_if(store->entries().begin(), store->entries().end(),
                                    [&](const Entry* entry) { return entry->cipherBody() != earlier; });
    QVERIFY(today != store->entries().end());
    QVERIFY(opensUnder((*today)->cipherBody(), *key));
    QCOMPARE(openEntryText((*today)->cipherBody(), *key), typed);
}

void TestEndToEnd::aDamagedJournalIsRefusedOverTheLockScreen()
{
    QTemporaryDir home;
    const QProcessEnvironment environment = withFolders(home.path(), {"XDG_DATA_HOME", "XDG_CONFIG_HOME"});
    const QString journal = home.filePath(QStringLiteral("xdg_data_home/wendle/journal.sqlite"));
    {
        auto store = EntryStore::open(journal, nullptr);
        QVERIFY(store);
        const auto key = EntryKey::random();
        for (int i = 0; i < 200; ++i) {
            store->insert({QDateTime::currentDateTimeUtc(), QStringLiteral("2024-03-05"), QStringLiteral("freeform"),
                           QStringLiteral("memory"), sealEntryText(QString(300, u'w'), *key), 300});
        }
        QVERIFY(store->save());
    }
    // Damage only the whole-file check sees: page 2's count of fragmented bytes.
    QVERIFY(runSql(journal, "PRAGMA journal_mode = DELETE"));
    QByteArray bytes = fileBytes(journal);
    bytes[4096 + 7] = 5;
    QVERIFY(putFile(journal, bytes));

    // The lock screen comes up and the refusal over it; the password is never asked for.
    RealWendle wendle;
    wendle.process.setProcessChannelMode(QProcess::SeparateChannels);
    QVERIFY(wendle.start(environment));
    QString refusal;
    QVERIFY(QTest::qWaitFor(
        [&] {
            for (const QString& window : windowsShowing(wendle.process.processId())) {
                if (window != wendle.mainWindow() && !wendle.mainWindow().isEmpty()) {
                    refusal = window;
                }
            }
            return !refusal.isEmpty();
        },
        10000));
    QVERIFY(windowId(QStringLiteral("nlock your journal"), 0).isEmpty());
    QVERIFY(RealWendle::confirm(refusal));
    QVERIFY(wendle.process.waitForFinished(10000));
    QCOMPARE(wendle.process.exitCode(), 1);
    const QString said = QString::fromLocal8Bit(wendle.process.readAllStandardError());
    QVERIFY2(said.contains(journal + QStringLiteral(" is not a Wendle journal, or it is damaged")), qPrintable(said));
    QCOMPARE(fileBytes(journal), bytes);
    QVERIFY(!QFile::exists(journal + QStringLiteral("-wal")));
}

QTEST_GUILESS_MAIN(TestEndToEnd)
#include "TestEndToEnd.moc"
