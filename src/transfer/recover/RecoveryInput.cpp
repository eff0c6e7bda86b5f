// SPDX-License-Identifier: GPL-3.0-or-later
#include "transfer/recover/RecoveryInput.h"

#include "journal/EntryCrypto.h"
#include "journal/LockedBuffer.h"
#include "journal/RecoveryCode.h"
#include "prompts/PromptEngine.h"
#include "transfer/BackupFile.h"
#include "transfer/ImportFiles.h"
#include "transfer/recover/JournalReader.h"

#include <QFile>
#include <QHash>

#include <algorithm>
#include <cstring>
#include <limits>

namespace wendle {

namespace {

constexpr char sqliteMagic[] = "SQLite format 3";

/** Each entry with its prompt's text from the installed prompt bank (none when it is not installed), oldest first. */
RecoveredEntries inOrder(std::vector<EntryRecord> records)
{
    QHash<QString, QString> promptTexts;
    for (const Prompt& prompt : PromptEngine::shippedBank().prompts) {
        promptTexts.insert(prompt.id, prompt.text);
    }
    RecoveredEntries recovered;
    recovered.entries.reserve(records.size());
    for (EntryRecord& record : records) {
        const QString promptText = promptTexts.value(record.promptID);
        recovered.entries.push_back({std::move(record), promptText});
    }
    std::stable_sort(recovered.entries.begin(), recovered.entries.end(),
                     [](const ExportedEntry& a, const ExportedEntry& b) { return a.record.date < b.record.date; });
    return recovered;
}

/** The key a recovery code stands for; nothing, with the reason in `error`, when it is not a code. */
std::shared_ptr<const EntryKey> keyOf(const QString& code, QString* error)
{
    std::optional<QByteArray> keyBytes = parseRecoveryCode(code);
    if (!keyBytes) {
        *error = QStringLiteral("That is not a recovery code: a character is wrong or missing (its check does not "
                                "match).");
        return nullptr;
    }
    std::shared_ptr<const EntryKey> key = EntryKey::fromBytes(*keyBytes);
    wipeBytes(*keyBytes);
    return key;
}

} // namespace

RecoveryInput::RecoveryInput(QString path, InputKind kind)
    : m_path(std::move(path))
    , m_kind(kind)
{
}

std::optional<RecoveryInput> RecoveryInput::at(const QString& path, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("Couldn't read %1: %2.").arg(path, file.errorString());
        return std::nullopt;
    }
    const QByteArray start = file.read(16);
    if (start.startsWith(QByteArray(sqliteMagic, sizeof sqliteMagic))) {
        return RecoveryInput(path, InputKind::journal);
    }
    if (start.startsWith(backupMagic)) {
        // The byte after the format version says what the file is sealed with; the header check comes later.
        constexpr int sealOffset = 10;
        constexpr char journalKeySeal = 2;
        return RecoveryInput(path,
                             start.size() > sealOffset && start[sealOffset] == journalKeySeal ? InputKind::snapshot
                                                                                              : InputKind::backup);
    }
    *error = QStringLiteral("%1 is neither a Wendle journal nor a Wendle backup or snapshot.").arg(path);
    return std::nullopt;
}

SecretKind RecoveryInput::secretKind() const
{
    return m_kind == InputKind::backup ? SecretKind::passphrase : SecretKind::recoveryCode;
}

std::optional<RecoveredEntries> RecoveryInput::open(const QString& secret, QString* error) const
{
    switch (m_kind) {
    case InputKind::journal:
        return openJournal(secret, error);
    case InputKind::backup:
        return openBackup(secret, error);
    case InputKind::snapshot:
        return openSnapshot(secret, error);
    }
    return std::nullopt;
}

std::optional<RecoveredEntries> RecoveryInput::openJournal(const QString& code, QString* error) const
{
    const std::shared_ptr<const EntryKey> key = keyOf(code, error);
    if (!key) {
        return std::nullopt;
    }
    std::optional<JournalRows> rows = JournalReader::read(m_path, error);
    if (!rows) {
        return std::nullopt;
    }
    if (!keyOpensJournal(*rows, *key)) {
        *error = QStringLiteral("That recovery code is not the code of the journal %1.").arg(m_path);
        return std::nullopt;
    }
    std::vector<EntryRecord> records;
    records.reserve(rows->entries.size());
    for (SealedEntry& entry : rows->entries) {
        try {
            entry.fields.text = openEntryText(entry.cipherBody, *key);
        } catch (const std::exception&) {
            // Listed as not opened; the body stays in the journal, untouched.
        }
        records.push_back(std::move(entry.fields));
    }
    RecoveredEntries recovered = inOrder(std::move(records));
    recovered.versions = int(std::min<qint64>(rows->versionCount, std::numeric_limits<int>::max()));
    return recovered;
}

std::optional<RecoveredEntries> RecoveryInput::openBackup(const QString& passphrase, QString* error) const
{
    return openBackupFile(
        [passphrase = Passphrase(passphrase)](const QByteArray& file) { return decodeBackup(file, passphrase); },
        error);
}

std::optional<RecoveredEntries> RecoveryInput::openSnapshot(const QString& code, QString* error) const
{
    const std::shared_ptr<const EntryKey> key = keyOf(code, error);
    if (!key) {
        return std::nullopt;
    }
    std::optional<RecoveredEntries> recovered
        = openBackupFile([&key](const QByteArray& file) { return decodeSnapshot(file, *key); }, error);
    if (!recovered && error->startsWith(backupErrorMessage(BackupError::wrongKey))) {
        *error = QStringLiteral("That recovery code is not the code of the snapshot %1.").arg(m_path);
    }
    return recovered;
}

std::optional<RecoveredEntries>
RecoveryInput::openBackupFile(const std::function<BackupReadResult(const QByteArray&)>& open, QString* error) const
{
    QString problem;
    const std::optional<QByteArray> file = readRegularFile(m_path, maxBackupBytes, &problem);
    if (!file) {
        *error = QStringLiteral("%1 could not be read: %2.").arg(m_path, problem);
        return std::nullopt;
    }
    BackupReadResult read = open(*file);
    if (!read.contents) {
        *error = backupErrorMessage(read.error);
        return std::nullopt;
    }
    std::vector<EntryRecord> records;
    records.reserve(read.contents->entries.size());
    for (BackupRecord& backedUp : read.contents->entries) {
        // An entry whose text did not open when it was backed up is carried sealed, and is listed as not opened.
        records.push_back(std::move(backedUp.record));
    }
    RecoveredEntries recovered = inOrder(std::move(records));
    recovered.versions = int(read.contents->versions.size());
    return recovered;
}

} // namespace wendle
