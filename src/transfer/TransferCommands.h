// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "transfer/BackupFile.h"
#include "transfer/JournalExport.h"

#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>
#include <optional>

class QMenu;
class QMessageBox;
class QWidget;

namespace wendle {

class AppLockController;
class EntryKey;
class EntryStore;
class ReminderScheduler;
struct ImportPlan;

/**
 * The menu commands that take entries out of the journal and bring them in: "Export…", "Back up…",
 * "Restore from backup…" and "Import…". Each needs the journal unlocked and asks for authentication again
 * before it reads every entry; whatever adds entries shows what it would add first, and hands the new set of
 * written days to the reminder scheduler afterwards.
 */
class TransferCommands : public QObject
{
    Q_OBJECT

public:
    TransferCommands(AppLockController& lock, EntryStore& store, ReminderScheduler& scheduler, QWidget* window);

    /** Adds the four commands to `menu`, enabled while the journal is unlocked. */
    void addTo(QMenu* menu);

    void exportEntries();
    void backUp();
    void restoreFromBackup();
    void importEntries();

private:
    /** Runs `then` after a fresh authentication, if the journal is still unlocked. */
    void afterAuthentication(std::function<void()> then);
    /**
     * The key for work that starts now. The key is never held while a dialog waits, so locking in between
     * still wipes it; then the user is told that nothing was done.
     */
    std::shared_ptr<const EntryKey> currentKey();
    /** Every entry opened for export with the current key; none while locked. */
    std::optional<std::vector<ExportedEntry>> entriesToExport();
    void chooseExportFormat();
    void exportMarkdown(const QString& folder);
    void exportJson(const QString& path);
    /** Writes `files`; `kept` existing files were kept, which the summary says. */
    void writeFiles(const QString& folder, std::vector<ExportFile> files, bool replace, int kept,
                    const QStringList& unreadable);
    void writeBackup(const QString& path, const Passphrase& passphrase);
    void askBackupPassphrase(const QString& path);
    void openBackupFile(const QString& path, const Passphrase& passphrase);
    void offerRestore(const std::shared_ptr<BackupContents>& contents);
    void importFolder(const QString& folder);
    void importJson(const QString& path);
    void offerImport(const ImportPlan& plan);
    void entriesAdded();
    void tell(const QString& text, const QString& details = {});
    QMessageBox* question(const QString& text, const QString& informative);

    AppLockController& m_lock;
    EntryStore& m_store;
    ReminderScheduler& m_scheduler;
    QPointer<QWidget> m_window;
};

} // namespace wendle
