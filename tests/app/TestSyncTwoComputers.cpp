// SPDX-License-Identifier: GPL-3.0-or-later
// Two computers as a user meets them: two real Wendles, each with its own keyring, and two real Syncthing
// instances between their sync folders. The second one, with writing of its own, joins the first one's journal
// through its menu; then both edit one entry while apart.
#include "journal/EntryCrypto.h"
#include "journal/RecoveryCode.h"

#include "RealWendle.h"
#include "SqlFile.h"
#include "SyncthingPair.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QUuid>

#include <csignal>
#include <sys/stat.h>

using namespace wendle;
using namespace wendle::test;

namespace {

/** The files under `folder`, hidden ones too, that hold `text` as UTF-8 or UTF-16. */
QStringList filesHolding(const QString& folder, const QString& text)
{
    const QByteArray utf16(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    QStringList found;
    QDirIterator files(folder, QDir::Files | QDir::Hidden | QDir::NoSymLinks, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QString path = files.next();
        QFile file(path);
        const QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        if (bytes.contains(text.toUtf8()) || bytes.contains(utf16)) {
            found << path;
        }
    }
    return found;
}

/** Ends every process (the reminder agents) that runs with `stateHome` as its state folder. */
void stopProcessesOf(const QString& stateHome)
{
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool number = false;
        const qint64 pid = entry.toLongLong(&number);
        if (number && pid != QCoreApplication::applicationPid() && environmentOf(pid, "XDG_STATE_HOME") == stateHome) {
            ::kill(pid_t(pid), SIGTERM);
        }
    }
}

/**
 * The second computer's desktop: a session bus of its own with a keyring of its own on it, and the display's
 * accessibility bus named on it, so a screen reader reads both computers' programs. All end with it, however the
 * test ends.
 */
struct OtherDesktop
{
    QProcess bus;
    QProcess keyring;
    QProcess accessibility;
    QString address;

    ~OtherDesktop()
    {
        for (QProcess* process : {&accessibility, &keyring, &bus}) {
            if (process->state() != QProcess::NotRunning) {
                process->terminate();
                if (!process->waitForFinished(5000)) {
                    process->kill();
                    process->waitForFinished();
                }
            }
        }
    }

    /** Starts both, with their files in `folder`. */
    bool start(const QString& folder, const QProcessEnvironment& environment)
    {
        // A bus that starts nothing on demand: every service on it is started here, so nothing is left behind.
        QFile config(folder + QStringLiteral("/bus.conf"));
        if (!config.open(QIODevice::WriteOnly)
            || config.write(
                   QStringLiteral("<busconfig><type>session</type><keep_umask/>"
                                  "<listen>unix:path=%1/bus</listen><auth>EXTERNAL</auth>"
                                  "<policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/>"
                                  "<allow eavesdrop=\"true\"/>"
                                  "<allow own=\"*\"/></policy></busconfig>")
                       .arg(folder)
                       .toUtf8())
                < 0) {
            return false;
        }
        config.close();
        bus.start(QStringLiteral("dbus-daemon"),
                  {QStringLiteral("--config-file=") + config.fileName(), QStringLiteral("--nofork"),
                   QStringLiteral("--print-address")});
        if (!bus.waitForStarted() || !QTest::qWaitFor([this] { return bus.canReadLine(); }, 10000)) {
            return false;
        }
        address = QString::fromUtf8(bus.readLine()).trimmed();
        QProcessEnvironment keyringEnvironment = environment;
        keyringEnvironment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), address);
        keyring.setProcessEnvironment(keyringEnvironment);
        keyring.setProcessChannelMode(QProcess::MergedChannels);
        keyring.start(
            QStringLiteral("gnome-keyring-daemon"),
            {QStringLiteral("--foreground"), QStringLiteral("--unlock"), QStringLiteral("--components=secrets")});
        if (!keyring.waitForStarted()) {
            return false;
        }
        keyring.write("other-desktop-keyring");
        keyring.closeWriteChannel();
        // The keyring must own the secrets service before Wendle asks for its key.
        QDBusConnection connection = QDBusConnection::connectToBus(address, QStringLiteral("other-desktop"));
        const bool there = connection.isConnected()
            && QTest::qWaitFor(
                               [&connection] {
                                   return connection.interface()
                                       ->isServiceRegistered(QStringLiteral("org.freedesktop.secrets"))
                                       .value();
                               },
                               10000);
        QDBusConnection::disconnectFromBus(QStringLiteral("other-desktop"));
        accessibility.setProcessEnvironment(keyringEnvironment);
        accessibility.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral(WENDLE_A11Y_RELAY)});
        return there && accessibility.waitForStarted()
            && QTest::qWaitFor([this] { return accessibility.canReadLine(); }, 10000)
            && accessibility.readLine().trimmed() == "ready";
    }

    /** The entry key this desktop's keyring holds for Wendle, as raw bytes. Secret: compare it, never print it. */
    QByteArray entryKey() const
    {
        QProcess lookup;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), address);
        lookup.setProcessEnvironment(environment);
        lookup.start(QStringLiteral("secret-tool"), QStringList{QStringLiteral("lookup")} + keyringEntryKeyItem());
        lookup.waitForFinished(20000);
        return QByteArray::fromBase64(lookup.readAllStandardOutput().trimmed());
    }
};

/** The texts in `table` (entries, entry_versions) of the journal that open under `key`, read from its file. */
QStringList textsIn(const QString& journal, const EntryKey& key, const QByteArray& table = "entries")
{
    QStringList texts;
    const QByteArray bodies = querySql(journal, "SELECT group_concat(hex(cipher_body), ',') FROM " + table);
    for (const QByteArray& body : bodies.split(',')) {
        try {
            texts << openEntryText(QByteArray::fromHex(body), key);
        } catch (const std::exception&) {
        }
    }
    texts.sort();
    return texts;
}

/** Shows History in the running Wendle, as a screen reader's user would: its day number names it. */
bool showHistory(RealWendle& wendle)
{
    const qint64 pid = wendle.process.processId();
    return wendle.focusAndType(wendle.mainWindow(), QString())
        && press(pid,
                 accessible(pid, {QStringLiteral("lines")})
                     .split(u'\n')
                     .filter(QRegularExpression(QStringLiteral("^day \\d+, history$")))
                     .value(0));
}

/** In History, opens the row that shows `word`, adds `addition` at the end of its text and saves it. */
bool editInHistory(RealWendle& wendle, const QString& word, const QString& addition)
{
    const qint64 pid = wendle.process.processId();
    // A row reads as its date and category, then its snippet.
    const QRegularExpression named(QStringLiteral("^[^:]+: .*") + word);
    QString row;
    const bool listed = QTest::qWaitFor(
        [&] {
            return !(row = accessible(pid, {QStringLiteral("lines")}).split(u'\n').filter(named).value(0)).isEmpty();
        },
        5000);
    const QStringList box = accessible(pid, {QStringLiteral("where"), row}).split(u' ');
    const QStringList before = windowsShowing(pid);
    // The two computers' windows share one screen: the one clicked comes to the top first.
    if (!listed || box.size() != 4 || !xdotool({QStringLiteral("windowraise"), wendle.mainWindow()})
        || !xdotool({QStringLiteral("mousemove"), QString::number(box[0].toInt() + box[2].toInt() / 2),
                     QString::number(box[1].toInt() + box[3].toInt() / 2), QStringLiteral("click"),
                     QStringLiteral("1")})) {
        return false;
    }
    QString reader;
    const bool opened = QTest::qWaitFor(
        [&] {
            for (const QString& window : windowsShowing(pid)) {
                if (!before.contains(window)) {
                    reader = window;
                }
            }
            return !reader.isEmpty();
        },
        5000);
    const auto reads
        = [pid](const QString& text) { return accessible(pid, {QStringLiteral("lines")}).split(u'\n').contains(text); };
    // Saved with its button, pressed as a screen reader does: a shortcut needs an active window, which a desktop
    // without a window manager does not give.
    return opened && wendle.focusAndType(reader, QString())
        && xdotool({QStringLiteral("key"), QStringLiteral("ctrl+End")}) && wendle.focusAndType(reader, addition)
        && QTest::qWaitFor([&] { return accessible(pid, {QStringLiteral("lines")}).contains(addition); }, 5000)
        && QTest::qWaitFor([&] { return press(pid, QStringLiteral("Save")); }, 5000)
        && QTest::qWaitFor([&] { return reads(QStringLiteral("Saved")); }, 5000) && press(pid, QStringLiteral("close"));
}

QByteArray bytesOf(const EntryKey& key)
{
    return QByteArray(reinterpret_cast<const char*>(key.data()), key.length());
}

} // namespace

class TestSyncTwoComputers : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void aSecondComputerWithWritingJoinsThroughItsMenu();
};

void TestSyncTwoComputers::aSecondComputerWithWritingJoinsThroughItsMenu()
{
    if (qEnvironmentVariableIsEmpty("DISPLAY") || qEnvironmentVariableIsEmpty("WENDLE_TEST_PASSWORD")) {
        QFAIL("needs the test session: run inside scripts/test-session.sh");
    }
    QTemporaryDir home;
    const QString homeA = home.filePath(QStringLiteral("a"));
    const QString homeB = home.filePath(QStringLiteral("b"));
    QProcessEnvironment environmentA = withFolders(homeA, {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_STATE_HOME"});
    QProcessEnvironment environmentB
        = withFolders(homeB, {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_STATE_HOME", "XDG_RUNTIME_DIR"});
    const QString stateA = environmentA.value(QStringLiteral("XDG_STATE_HOME"));
    const QString stateB = environmentB.value(QStringLiteral("XDG_STATE_HOME"));
    ::chmod(QFile::encodeName(environmentB.value(QStringLiteral("XDG_RUNTIME_DIR"))).constData(), 0700);
    // Declared before the programs, so that they end first and their reminder agents after them.
    const auto stopAgents = qScopeGuard([&] {
        stopProcessesOf(stateA);
        stopProcessesOf(stateB);
    });

    SyncthingPair pair;
    QVERIFY2(pair.start(120000), qPrintable(pair.error()));

    // Computer A syncs through the first instance's folder from the start.
    const QString configA = environmentA.value(QStringLiteral("XDG_CONFIG_HOME")) + QStringLiteral("/wendle");
    QVERIFY(QDir().mkpath(configA));
    QFile preferences(configA + QStringLiteral("/wendle.conf"));
    QVERIFY(preferences.open(QIODevice::WriteOnly));
    QVERIFY(preferences.write("[General]\nsync.folder=" + pair.folder(0).toUtf8() + '\n') > 0);
    preferences.close();

    clearKeyringEntryKey();
    const QString word = QStringLiteral("Heron%1").arg(QUuid::createUuid().toString(QUuid::Id128).left(12));
    const QString sentence = QStringLiteral("A grey %1 stood in the reeds all morning.").arg(word);
    const QString wordB = QStringLiteral("Otter%1").arg(QUuid::createUuid().toString(QUuid::Id128).left(12));
    const QString sentenceB = QStringLiteral("An %1 slid off the bank at dusk.").arg(wordB);
    RealWendle wendleA;
    QVERIFY(wendleA.start(environmentA));
    QVERIFY2(wendleA.unlock(), "A's lock screen did not take the password");
    QVERIFY(wendleA.dismissRecoveryCode());
    QVERIFY(wendleA.focusAndType(wendleA.mainWindow(), sentence));
    // The autosave, and the pass that puts the entry into A's log.
    QVERIFY2(QTest::qWaitFor([&pair] { return QDir(pair.folder(0) + QStringLiteral("/wendle-sync")).exists(); }, 20000),
             "A wrote nothing to its sync folder");
    QTest::qWait(3000);
    QVERIFY(wendleA.quit());
    const auto keyA = keyringEntryKey();
    QVERIFY(keyA);

    // Computer B: a session bus and a keyring of its own, as another computer has.
    OtherDesktop desktop;
    QVERIFY2(desktop.start(homeB, environmentB), "B's session bus, keyring or accessibility relay did not start");
    environmentB.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), desktop.address);

    RealWendle wendleB;
    QVERIFY(wendleB.start(environmentB));
    QVERIFY2(wendleB.unlock(), "B's lock screen did not take the password");
    QVERIFY(wendleB.dismissRecoveryCode());
    // B writes under its own key before it joins.
    const QString journalB
        = environmentB.value(QStringLiteral("XDG_DATA_HOME")) + QStringLiteral("/wendle/journal.sqlite");
    QVERIFY(wendleB.focusAndType(wendleB.mainWindow(), sentenceB));
    QVERIFY2(QTest::qWaitFor([&] { return querySql(journalB, "SELECT count(*) FROM entries") == "1"; }, 10000),
             "B's writing was not saved");

    // Menu "wendle" → "Use my journal from another computer…", A's recovery code, and the password again.
    QVERIFY(wendleB.focusAndType(wendleB.mainWindow(), QString()));
    // B's own session bus carries no accessibility bus, so its menu is worked by keys: Alt shows the menu bar over
    // the top of the window with its one menu open, and the join item is the fifth (after "About wendle", "Check for
    // updates…", "Settings…" and "Show recovery code…").
    QVERIFY(xdotool({QStringLiteral("key"), QStringLiteral("alt")}));
    QTest::qWait(500);
    for (int step = 0; step < 5; ++step) {
        QVERIFY(xdotool({QStringLiteral("key"), QStringLiteral("Down")}));
        QTest::qWait(150);
    }
    QVERIFY(xdotool({QStringLiteral("key"), QStringLiteral("Return")}));
    // B holds writing: the sheet asks to join, with what that does to B's entries.
    const QString codeSheet = windowId(QStringLiteral("^Join that journal$"));
    QVERIFY2(!codeSheet.isEmpty(), "the menu did not open the code sheet");
    QVERIFY(wendleB.focusAndType(codeSheet, formatRecoveryCode(bytesOf(*keyA))));
    QVERIFY(xdotool({QStringLiteral("key"), QStringLiteral("Return")}));
    QVERIFY2(wendleB.unlock(), "B's password dialog did not take the password");

    // The folder chooser opens next: the second instance's folder, typed into its name field.
    const QString chooser = windowId(QStringLiteral("^Sync folder$"));
    QVERIFY(wendleB.focusAndType(chooser, QString()));
    QVERIFY(xdotool({QStringLiteral("key"), QStringLiteral("ctrl+a")}));
    QVERIFY(wendleB.focusAndType(chooser, pair.folder(1)));
    QVERIFY(xdotool({QStringLiteral("key"), QStringLiteral("Return")}));
    QVERIFY2(QTest::qWaitFor([] { return windowId(QStringLiteral("^Sync folder$"), 0).isEmpty(); }, 5000),
             "the folder chooser did not take the folder");

    // A's entry arrives in B's journal, and B's own is sealed again under A's key.
    const QStringList both = QStringList({sentence, sentenceB});
    QVERIFY2(QTest::qWaitFor([&] { return textsIn(journalB, *keyA) == both; }, 60000),
             "A's entry did not reach B in 60 s");
    QVERIFY(desktop.entryKey() == bytesOf(*keyA));
    // On B's screens: Today goes on with B's own entry, the first of the day there, and History lists A's too.
    const qint64 pidB = wendleB.process.processId();
    QTRY_VERIFY_WITH_TIMEOUT(accessible(pidB, {QStringLiteral("lines")}).contains(sentenceB), 5000);
    QVERIFY(showHistory(wendleB));
    QTRY_VERIFY_WITH_TIMEOUT(accessible(pidB, {QStringLiteral("lines")}).contains(word), 5000);
    QVERIFY(accessible(pidB, {QStringLiteral("lines")}).contains(wordB));

    // B's entry reaches A when A runs again.
    RealWendle againA;
    QVERIFY(againA.start(environmentA));
    QVERIFY2(againA.unlock(), "A's lock screen did not take the password");
    const QString journalA
        = environmentA.value(QStringLiteral("XDG_DATA_HOME")) + QStringLiteral("/wendle/journal.sqlite");
    QVERIFY2(QTest::qWaitFor([&] { return textsIn(journalA, *keyA) == both; }, 60000),
             "B's entry did not reach A in 60 s");

    // Apart (Syncthing paused), both change A's entry in History. Once they meet again, both journals hold the
    // same current text, one of the two, and the other as its earlier version.
    QVERIFY2(pair.pause(30000), qPrintable(pair.error()));
    const QString onA = QStringLiteral(" Seen from A.");
    const QString onB = QStringLiteral(" Seen from B.");
    QVERIFY(showHistory(againA));
    QVERIFY2(editInHistory(againA, word, onA), "A's History did not take the edit");
    QVERIFY2(editInHistory(wendleB, word, onB), "B's History did not take the edit");
    QVERIFY2(pair.resume(30000), qPrintable(pair.error()));
    const auto merged = [&](const QString& journal) {
        const QStringList current = textsIn(journal, *keyA);
        const QStringList versions = textsIn(journal, *keyA, "entry_versions");
        const bool aWon = current.contains(sentence + onA) && versions.contains(sentence + onB);
        const bool bWon = current.contains(sentence + onB) && versions.contains(sentence + onA);
        return aWon ? onA : bWon ? onB : QString();
    };
    QVERIFY2(
        QTest::qWaitFor([&] { return !merged(journalA).isEmpty() && merged(journalA) == merged(journalB); }, 90000),
        "the edits made apart did not converge on both computers in 90 s");

    // B's Today screen follows its entry as A changes it.
    QVERIFY(press(pidB, QStringLiteral("back to today")));
    QTRY_VERIFY_WITH_TIMEOUT(accessible(pidB, {QStringLiteral("lines")}).contains(sentenceB), 5000);
    const QString readOnA = QStringLiteral(" Read on A.");
    QVERIFY2(editInHistory(againA, wordB, readOnA), "A's History did not take the edit");
    const bool onScreen = QTest::qWaitFor(
        [&] { return accessible(pidB, {QStringLiteral("lines")}).contains(sentenceB + readOnA); }, 60000);
    QVERIFY2(onScreen,
             qPrintable(QStringLiteral("A's edit did not reach B's Today screen in 60 s (in A's journal: "
                                       "%1, in B's: %2)")
                            .arg(textsIn(journalA, *keyA).contains(sentenceB + readOnA))
                            .arg(textsIn(journalB, *keyA).contains(sentenceB + readOnA))));

    QVERIFY(againA.quit());
    QVERIFY(wendleB.quit());
    // Leaving B's screens sealed nothing under B's old key.
    QCOMPARE(textsIn(journalB, *keyA).size(), 2);
    QVERIFY(textsIn(journalB, *keyA).contains(sentenceB + readOnA));

    // Nothing readable went through either copy of the folder.
    QVERIFY(pair.waitUntilInSync(60000));
    for (int index = 0; index < SyncthingPair::instances; ++index) {
        for (const QString& typed : {word, wordB}) {
            QCOMPARE(filesHolding(pair.folder(index), typed), QStringList());
        }
    }
}

QTEST_MAIN(TestSyncTwoComputers)
#include "TestSyncTwoComputers.moc"
