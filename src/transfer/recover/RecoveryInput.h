// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "transfer/JournalExport.h"
#include "transfer/recover/SecretReader.h"

#include <QString>

#include <functional>
#include <optional>
#include <vector>

namespace wendle {

struct BackupReadResult;

/** What a recovery reads from. A new kind is one more value here and one more branch in `RecoveryInput`. */
enum class InputKind
{
    /** A journal file (`journal.sqlite`), opened with the recovery code. */
    journal,
    /** A `.wendlebackup`, opened with its passphrase. */
    backup,
    /** A `.wendlesnap`, sealed under the journal's key: opened with the recovery code. */
    snapshot,
};

/** The entries a recovery found, texts opened where they open, oldest first. */
struct RecoveredEntries
{
    std::vector<ExportedEntry> entries;
    /** Earlier texts of entries the file keeps (they stay in it); none in a backup made without them. */
    int versions = 0;
};

/** One file to recover from: what it is, which secret it needs, and what it holds. */
class RecoveryInput
{
public:
    /** The input at `path`, told by its first bytes; nothing, with the reason in `error`, when it is neither. */
    [[nodiscard]] static std::optional<RecoveryInput> at(const QString& path, QString* error);

    InputKind kind() const { return m_kind; }
    /** What it opens with. */
    SecretKind secretKind() const;

    /**
     * Every entry, opened with `secret`. Nothing, with a sentence in `error`, when the file cannot be read or
     * the secret is not the one it was sealed with: that is found before any entry is handed out.
     */
    [[nodiscard]] std::optional<RecoveredEntries> open(const QString& secret, QString* error) const;

private:
    RecoveryInput(QString path, InputKind kind);

    std::optional<RecoveredEntries> openJournal(const QString& code, QString* error) const;
    std::optional<RecoveredEntries> openBackup(const QString& passphrase, QString* error) const;
    std::optional<RecoveredEntries> openSnapshot(const QString& code, QString* error) const;
    /** The contents of the backup or snapshot file, opened with `open`. */
    std::optional<RecoveredEntries> openBackupFile(const std::function<BackupReadResult(const QByteArray&)>& open,
                                                   QString* error) const;

    QString m_path;
    InputKind m_kind;
};

} // namespace wendle
