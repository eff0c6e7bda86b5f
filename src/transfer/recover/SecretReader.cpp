// SPDX-License-Identifier: GPL-3.0-or-later
#include "transfer/recover/SecretReader.h"

#include "journal/LockedBuffer.h"

#include <QFile>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <termios.h>
#include <unistd.h>

namespace wendle {

namespace {

QString withoutFinalLineBreak(QString text)
{
    if (text.endsWith(u'\n')) {
        text.chop(1);
    }
    if (text.endsWith(u'\r')) {
        text.chop(1);
    }
    return text;
}

QString nameOf(SecretKind kind)
{
    return kind == SecretKind::recoveryCode ? QStringLiteral("recovery code") : QStringLiteral("passphrase");
}

// The terminal as it was before echo was turned off, put back however the program ends.
struct termios savedTerminal;

void restoreTerminalAndDie(int signal)
{
    ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &savedTerminal);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

/** Echo off on the terminal for as long as it lives, and back on even when the program is interrupted. */
class EchoOff
{
public:
    EchoOff()
    {
        if (::tcgetattr(STDIN_FILENO, &savedTerminal) != 0) {
            return;
        }
        for (const int signal : kSignals) {
            std::signal(signal, restoreTerminalAndDie);
        }
        struct termios silent = savedTerminal;
        silent.c_lflag &= ~tcflag_t(ECHO);
        m_active = ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &silent) == 0;
    }

    ~EchoOff()
    {
        if (m_active) {
            ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &savedTerminal);
            std::fputc('\n', stderr);
        }
        for (const int signal : kSignals) {
            std::signal(signal, SIG_DFL);
        }
    }

    EchoOff(const EchoOff&) = delete;
    EchoOff& operator=(const EchoOff&) = delete;

private:
    static constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};
    bool m_active = false;
};

/** Standard input's first line, without its line break; nothing when it is longer than the limit. */
std::optional<QByteArray> readLine()
{
    QByteArray line;
    char byte = 0;
    for (;;) {
        const ssize_t got = ::read(STDIN_FILENO, &byte, 1);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0 || byte == '\n') {
            return line;
        }
        if (line.size() >= SecretReader::maxSecretBytes) {
            wipeBytes(line);
            return std::nullopt;
        }
        line.append(byte);
    }
}

} // namespace

std::optional<QString> SecretReader::read(const SecretOption& option, SecretKind kind, QString* error)
{
    if (option.given != SecretOption::Given::notGiven && option.kind != kind) {
        *error = kind == SecretKind::passphrase
            ? QStringLiteral("A backup opens with its passphrase (--passphrase-file), not a recovery code.")
            : QStringLiteral("A journal opens with its recovery code (--code or --code-file), not a passphrase.");
        return std::nullopt;
    }
    switch (option.given) {
    case SecretOption::Given::asArgument:
        return option.value;
    case SecretOption::Given::inFile:
        return fromFile(option.value, error);
    case SecretOption::Given::notGiven:
        break;
    }
    return fromTerminal(kind, error);
}

std::optional<QString> SecretReader::fromFile(const QString& path, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("Couldn't read %1: %2.").arg(path, file.errorString());
        return std::nullopt;
    }
    QByteArray bytes = file.read(maxSecretBytes + 1);
    if (bytes.size() > maxSecretBytes) {
        wipeBytes(bytes);
        *error = QStringLiteral("%1 is too long to hold a recovery code or a passphrase.").arg(path);
        return std::nullopt;
    }
    QString text = withoutFinalLineBreak(QString::fromUtf8(bytes));
    wipeBytes(bytes);
    return text;
}

std::optional<QString> SecretReader::fromTerminal(SecretKind kind, QString* error)
{
    std::optional<QByteArray> line;
    if (::isatty(STDIN_FILENO)) {
        QString prompt = nameOf(kind);
        prompt[0] = prompt[0].toUpper();
        std::fprintf(stderr, "%s: ", qPrintable(prompt));
        std::fflush(stderr);
        const EchoOff silence;
        line = readLine();
    } else {
        line = readLine();
    }
    if (!line) {
        *error = QStringLiteral("The %1 given is too long.").arg(nameOf(kind));
        return std::nullopt;
    }
    QString text = withoutFinalLineBreak(QString::fromUtf8(*line));
    wipeBytes(*line);
    return text;
}

} // namespace wendle
