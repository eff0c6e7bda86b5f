// SPDX-License-Identifier: GPL-3.0-or-later
// A journal, log or folder that cannot be written is refused at start with a message naming it, and nothing is
// changed. Permissions mean nothing to root, so the program runs as an unprivileged user when the test is root.
#include "journal/EntryStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace wendle;

namespace {

constexpr uid_t kNobody = 65534;

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
        [[maybe_unused]] const int changed = ::chown(QFile::encodeName(path).constData(), kNobody, kNobody);
    }
}

bool xdotool(const QStringList& arguments, QString* output = nullptr)
{
    QProcess tool;
    tool.start(QStringLiteral("xdotool"), arguments);
    const bool ok = tool.waitForFinished(15000) && tool.exitCode() == 0;
    if (output) {
        *output = QString::fromLatin1(tool.readAllStandardOutput()).section(u'\n', 0, 0).trimmed();
    }
    return ok;
}

} // namespace

class TestJournalPermissions : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void unwritableFilesAreRefusedUnchanged_data();
    void unwritableFilesAreRefusedUnchanged();
    void permissionsAreOnlyEverTightened();
};

void TestJournalPermissions::initTestCase()
{
    if (qEnvironmentVariableIsEmpty("WENDLE_TEST_SESSION") || qEnvironmentVariableIsEmpty("DISPLAY")) {
        QFAIL("needs the test session: run inside scripts/test-session.sh");
    }
}

void TestJournalPermissions::unwritableFilesAreRefusedUnchanged_data()
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

void TestJournalPermissions::unwritableFilesAreRefusedUnchanged()
{
    QFETCH(QString, unwritable);
    QFETCH(QString, message);
    QTemporaryDir home;
    ::chmod(QFile::encodeName(home.path()).constData(), 0755);
    const QString folder = home.filePath(QStringLiteral("data/wendle"));
    const QString journal = folder + QStringLiteral("/journal.sqlite");
    {
        QString error;
        QVERIFY2(EntryStore::open(journal, &error), qPrintable(error));
    }
    QFile(journal + QStringLiteral("-wal")).open(QIODevice::WriteOnly);
    for (const QString& path :
         {home.filePath(QStringLiteral("data")), folder, journal, journal + QStringLiteral("-wal")}) {
        setMode(path, QFileInfo(path).isDir() ? 0700 : 0600);
    }
    const QString target = QDir(folder).filePath(unwritable);
    setMode(target, QFileInfo(target).isDir() ? 0500 : 0400);
    QFile file(journal);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray before = file.readAll();
    file.close();

    QProcess wendle;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), home.path());
    environment.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral("data")));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
    // The test session's PAM stand-in cannot set itself up for another user, and is not needed here.
    for (const char* name : {"XDG_RUNTIME_DIR", "LD_PRELOAD", "PAM_WRAPPER"}) {
        environment.remove(QString::fromLatin1(name));
    }
    wendle.setProcessEnvironment(environment);
    const QString program = QCoreApplication::applicationDirPath() + QStringLiteral("/wendle");
    if (::geteuid() == 0) {
        wendle.start(QStringLiteral("setpriv"),
                     {QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
                      QStringLiteral("--clear-groups"), program});
    } else {
        wendle.start(program, {});
    }
    QVERIFY(wendle.waitForStarted());

    // The message is a dialog too: the user closes it, then Wendle ends.
    QString dialog;
    QTRY_VERIFY_WITH_TIMEOUT(
        xdotool({QStringLiteral("search"), QStringLiteral("--name"), QStringLiteral("^Wendle$")}, &dialog)
            && !dialog.isEmpty(),
        10000);
    QVERIFY(xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), dialog}));
    QVERIFY(xdotool({QStringLiteral("key"), QStringLiteral("Return")}));
    QVERIFY(wendle.waitForFinished(10000));
    QCOMPARE(wendle.exitCode(), 1);
    const QString said = QString::fromLocal8Bit(wendle.readAllStandardError());
    QVERIFY2(said.contains(QString(message).replace(QStringLiteral("FOLDER"), folder)), qPrintable(said));
    QVERIFY(!said.contains(QStringLiteral("already running")));

    QCOMPARE(modeOf(target), QFileInfo(target).isDir() ? mode_t(0500) : mode_t(0400));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), before);
    setMode(target, 0700);
}

void TestJournalPermissions::permissionsAreOnlyEverTightened()
{
    QTemporaryDir home;
    const QString journal = home.filePath(QStringLiteral("journal.sqlite"));
    {
        QString error;
        QVERIFY2(EntryStore::open(journal, &error), qPrintable(error));
    }
    // Readable by the group and others: taken back to the owner alone, and the journal still opens.
    ::chmod(QFile::encodeName(journal).constData(), 0644);
    QString error;
    QVERIFY2(EntryStore::open(journal, &error), qPrintable(error));
    QCOMPARE(modeOf(journal), mode_t(0600));
}

QTEST_GUILESS_MAIN(TestJournalPermissions)
#include "TestJournalPermissions.moc"
