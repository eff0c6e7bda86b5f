// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "journal/EntryStore.h"

#include <QDialog>

#include <memory>
#include <vector>

class QListWidget;

namespace wendle {

class Entry;
class EntryKey;
class FilledButton;
class PlainTextEditor;

/**
 * The sheet of an entry's earlier versions (window-modal over the reader, 560 × 460): one row per version, newest
 * first, with its date, time and word count; the selected one is shown read-only. "Restore this version" hands
 * its text to `restoreRequested` and closes the sheet; Escape or "close" closes it and changes nothing. A version
 * that does not open under the key is shown as such and cannot be restored.
 */
class VersionsSheet : public QDialog
{
    Q_OBJECT

public:
    VersionsSheet(const Entry& entry, std::shared_ptr<const EntryKey> key, const EntryStore& store,
                  QWidget* parent = nullptr);

    QListWidget* list() const { return m_list; }
    PlainTextEditor* viewer() const { return m_viewer; }
    FilledButton* restoreButton() const { return m_restore; }

Q_SIGNALS:
    /** The selected version's text, to be saved as the entry's text. */
    void restoreRequested(const QString& text);

private:
    void showVersion(int row);

    std::shared_ptr<const EntryKey> m_key;
    const EntryStore& m_store;
    std::vector<EntryStore::Version> m_versions;
    /** The selected version's text; nothing when it does not open. */
    std::optional<QString> m_shown;

    QListWidget* m_list = nullptr;
    PlainTextEditor* m_viewer = nullptr;
    FilledButton* m_restore = nullptr;
};

} // namespace wendle
