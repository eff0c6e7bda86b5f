// SPDX-License-Identifier: GPL-3.0-or-later
// wendle-recover: writes out a journal's, a backup's or a snapshot's entries as Markdown, without Wendle, its keyring
// or a display, for the day Wendle no longer opens.
#include "journal/Calendar.h"
#include "transfer/recover/RecoveryInput.h"
#include "transfer/recover/RecoveryOutput.h"
#include "transfer/recover/SecretReader.h"

#include <QCoreApplication>
#include <QStringList>

#include <algorithm>
#include <cstdio>
#include <sys/prctl.h>

using namespace wendle;

namespace {

const char usage[] = "Usage: wendle-recover [--code CODE | --code-file FILE | --passphrase-file FILE] INPUT "
                     "OUTPUT-FOLDER\n";

struct Arguments
{
    SecretOption secret;
    QStringList positional;
};

/** The command line; nothing when it is not one this program takes. */
std::optional<Arguments> parse(QStringList arguments)
{
    const struct
    {
        QString name;
        SecretOption::Given given;
        SecretKind kind;
    } options[] = {
        {QStringLiteral("--code"), SecretOption::Given::asArgument, SecretKind::recoveryCode},
        {QStringLiteral("--code-file"), SecretOption::Given::inFile, SecretKind::recoveryCode},
        {QStringLiteral("--passphrase-file"), SecretOption::Given::inFile, SecretKind::passphrase},
    };
    Arguments parsed;
    arguments.removeFirst();
    while (!arguments.isEmpty()) {
        QString argument = arguments.takeFirst();
        if (argument == QStringLiteral("--")) {
            parsed.positional += arguments;
            break;
        }
        if (!argument.startsWith(QStringLiteral("--"))) {
            parsed.positional << argument;
            continue;
        }
        const QString name = argument.section(u'=', 0, 0);
        const auto option = std::find_if(std::begin(options), std::end(options),
                                         [&](const auto& candidate) { return candidate.name == name; });
        const bool inline_ = argument.contains(u'=');
        if (option == std::end(options) || parsed.secret.given != SecretOption::Given::notGiven
            || (!inline_ && arguments.isEmpty())) {
            return std::nullopt;
        }
        parsed.secret = {option->given, option->kind, inline_ ? argument.section(u'=', 1) : arguments.takeFirst()};
    }
    if (parsed.positional.size() != 2) {
        return std::nullopt;
    }
    return parsed;
}

int fail(const QString& reason)
{
    std::fprintf(stderr, "wendle-recover: %s\n", qPrintable(reason));
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    // Entry text passes through this process's memory: no core dump may keep it.
    ::prctl(PR_SET_DUMPABLE, 0);
    QCoreApplication app(argc, argv);
    // Wendle's own names, so the installed prompt bank is found where Wendle finds it.
    app.setOrganizationName(QStringLiteral("wendle"));
    app.setApplicationName(QStringLiteral("wendle"));

    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.contains(QStringLiteral("--help"))) {
        std::fputs(usage, stdout);
        return 0;
    }
    const std::optional<Arguments> parsed = parse(arguments);
    if (!parsed) {
        std::fputs(usage, stderr);
        return 2;
    }
    const QString& inputPath = parsed->positional[0];
    const RecoveryOutput output(parsed->positional[1]);

    QString error;
    if (!output.checkEmpty(&error)) {
        return fail(error);
    }
    const std::optional<RecoveryInput> input = RecoveryInput::at(inputPath, &error);
    if (!input) {
        return fail(error);
    }
    const std::optional<QString> secret = SecretReader::read(parsed->secret, input->secretKind(), &error);
    if (!secret) {
        return fail(error);
    }
    const std::optional<RecoveredEntries> recovered = input->open(*secret, &error);
    if (!recovered) {
        return fail(error);
    }
    RecoverySummary summary;
    if (!output.write(*recovered, Calendar::current(), &summary, &error)) {
        return fail(error);
    }
    std::fputs(qPrintable(summary.text()), stdout);
    return 0;
}
