// SPDX-License-Identifier: GPL-3.0-or-later
#include "WendleProcess.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QThread>

#include <csignal>

namespace wendle {

namespace {

const QString kQuestion = QStringLiteral("^Unlock your journal$");
const QString kMainWindow = QStringLiteral("^Wendle$");

} // namespace

WendleProcess::WendleProcess(XDesktop& desktop, const QString& dataHome, const QString& logFile)
    : m_desktop(desktop)
    , m_logFile(logFile)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_DATA_HOME"), dataHome);
    m_process.setProcessEnvironment(environment);
    m_process.setStandardOutputFile(logFile, QIODevice::Append);
    m_process.setStandardErrorFile(logFile, QIODevice::Append);
}

WendleProcess::~WendleProcess()
{
    if (isRunning()) {
        kill();
    }
}

bool WendleProcess::start()
{
    m_process.start(QCoreApplication::applicationDirPath() + QStringLiteral("/wendle"), {});
    return m_process.waitForStarted(10000);
}

QString WendleProcess::answerUnlock(bool waitUntilUnlocked, qint64* submittedAt,
                                    const std::function<void()>& beforeReturn)
{
    const QString password = qEnvironmentVariable("WENDLE_TEST_PASSWORD");
    QString problem;
    for (int round = 1; round <= 4; ++round) {
        XDesktop::Window question = XDesktop::waitForWindow(kQuestion, round == 1 ? 30000 : 3000);
        if (!question && round > 1) {
            // A refused answer closes the question and leaves the lock screen, whose button asks again.
            QString ignored;
            if (focusMainWindow(&ignored)) {
                XDesktop::press({QStringLiteral("space")});
            }
            question = XDesktop::waitForWindow(kQuestion, 10000);
        }
        if (!question) {
            return isRunning() ? QStringLiteral("no unlock question appeared (%1)").arg(problem)
                               : QStringLiteral("the program ended before asking for the password");
        }
        if (!m_desktop.focus(question, 5000)) {
            problem = QStringLiteral("the unlock question never took the focus");
            continue;
        }
        // The password field appears when PAM asks, a moment after the window: that moment is waited out, then
        // the focus must still be there.
        QThread::msleep(300);
        if (!m_desktop.hasFocus(question)) {
            problem = QStringLiteral("another window took the focus from the unlock question");
            continue;
        }
        m_desktop.watchKeys(question);
        std::size_t keys = std::size_t(password.size()) + 1;
        if (round > 1) {
            // Whatever part of the password an earlier round left in the field goes first.
            XDesktop::press({QStringLiteral("ctrl+a"), QStringLiteral("BackSpace")});
            keys += 3;
        }
        QProcess typist;
        XDesktop::startTyping(typist, password, 8);
        typist.waitForFinished(15000);
        if (beforeReturn) {
            beforeReturn();
        }
        XDesktop::press({QStringLiteral("Return")});
        const std::vector<XDesktop::Keystroke>& presses = m_desktop.keyPresses(keys, 3000);
        if (presses.size() != keys) {
            problem = QStringLiteral("%1 of %2 keys reached the unlock question").arg(presses.size()).arg(keys);
            continue;
        }
        if (submittedAt) {
            *submittedAt = presses.back().at;
        }
        if (!waitUntilUnlocked) {
            return {};
        }
        const qint64 deadline = monotonicMs() + 20000;
        while (m_desktop.isViewable(question) && monotonicMs() < deadline) {
            QThread::msleep(20);
        }
        if (m_desktop.isViewable(question)) {
            problem = QStringLiteral("the unlock question stayed after the password was entered");
            continue;
        }
        if (XDesktop::waitForWindow(kQuestion, 700)) {
            problem = QStringLiteral("a second unlock question appeared");
            continue;
        }
        return {};
    }
    return problem;
}

XDesktop::Window WendleProcess::focusMainWindow(QString* problem)
{
    const XDesktop::Window window = XDesktop::waitForWindow(kMainWindow, 20000);
    if (!window) {
        *problem = QStringLiteral("the main window did not appear");
        return 0;
    }
    if (!m_desktop.focus(window, 5000)) {
        *problem = QStringLiteral("the main window did not take the focus");
        return 0;
    }
    return window;
}

qint64 WendleProcess::kill()
{
    const qint64 at = monotonicMs();
    // Never pid 0: that would be the whole process group.
    const pid_t pid = pid_t(m_process.processId());
    if (pid <= 0) {
        return at;
    }
    ::kill(pid, SIGKILL);
    m_process.waitForFinished(10000);
    // pam_wrapper removes its folder as the process ends, which a killed one never does.
    const QDir temporary(QStringLiteral("/tmp"));
    for (const QString& name : temporary.entryList({QStringLiteral("pam.?")}, QDir::Dirs)) {
        QFile owner(temporary.filePath(name + QStringLiteral("/pid")));
        if (owner.open(QIODevice::ReadOnly) && owner.readAll().trimmed().toLongLong() == pid) {
            QDir(temporary.filePath(name)).removeRecursively();
        }
    }
    return at;
}

QString WendleProcess::outputTail() const
{
    QFile log(m_logFile);
    if (!log.open(QIODevice::ReadOnly)) {
        return {};
    }
    const QList<QByteArray> lines = log.readAll().trimmed().split('\n');
    return QString::fromLocal8Bit(lines.mid(std::max<qsizetype>(0, lines.size() - 5)).join('\n'));
}

} // namespace wendle
