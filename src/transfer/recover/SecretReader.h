// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <optional>

namespace wendle {

/** The secret an input opens with: a journal its recovery code, a backup its passphrase. */
enum class SecretKind
{
    recoveryCode,
    passphrase,
};

/** How the command line gave the secret: as an argument, in a file, or not at all (it is then asked for). */
struct SecretOption
{
    enum class Given
    {
        notGiven,
        asArgument,
        inFile,
    };

    Given given = Given::notGiven;
    SecretKind kind = SecretKind::recoveryCode;
    /** The secret itself, or the file holding it. */
    QString value;
};

/**
 * Reads the secret of `kind` as `option` says. Not given, it is asked for on the terminal without echo, or
 * read from standard input's first line when that is not a terminal. A file's text is the secret except for a
 * final line break. Nothing, with a sentence in `error`, when it cannot be read or the option gave a secret of
 * another kind.
 */
class SecretReader
{
public:
    /** The longest secret read: a code is 68 characters, a passphrase a sentence or two. */
    static constexpr qint64 maxSecretBytes = 4096;

    [[nodiscard]] static std::optional<QString> read(const SecretOption& option, SecretKind kind, QString* error);

private:
    static std::optional<QString> fromFile(const QString& path, QString* error);
    static std::optional<QString> fromTerminal(SecretKind kind, QString* error);
};

} // namespace wendle
