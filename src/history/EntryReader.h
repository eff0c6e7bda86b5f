// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <QPointer>

#include <functional>
#include <memory>

namespace wendle {

class Clock;
class Entry;
class EntryKey;
class EntryStore;
class FilledButton;
class PlainButton;
class PlainTextEditor;
class VersionsSheet;

/**
 * The sheet in which an archived entry is read and corrected (window-modal, 560 × 460). Saving changes only
 * the entry's text, and its credited words only when it is today's entry, so correcting a past day never
 * changes that day's streak. It never creates or deletes entries. Closing it drops edits not yet saved. A save
 * the file refuses is not called saved: the store keeps the text and retries, and the sheet says so meanwhile.
 * "Earlier versions…", shown while the entry has any, opens them (see VersionsSheet); restoring one saves it as
 * the entry's text as "Save" would, so the text it replaces becomes a version in turn.
 */
class EntryReader : public QDialog
{
    Q_OBJECT

public:
    EntryReader(Entry& entry, std::shared_ptr<const EntryKey> key, EntryStore& context, const Clock& clock,
                QWidget* parent = nullptr);

    /** Puts the entry's text in the editor (empty when it does not open) and marks the reader clean. */
    void loadReader();
    /** Seals and stores the text; on a failed seal nothing changes and the reader stays dirty. */
    void saveReader();
    /** Opens the sheet of the entry's earlier versions over the reader. */
    void openVersions();

    QString text() const { return m_text; }
    bool isDirty() const { return m_dirty; }
    PlainTextEditor* editor() const { return m_editor; }
    FilledButton* saveButton() const { return m_save; }
    PlainButton* versionsButton() const { return m_versionsButton; }
    /** The open sheet of earlier versions; null when there is none. */
    VersionsSheet* versions() const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void onEdited();
    void render();
    void showVersionsButton();
    void restoreVersion(const QString& text);

    // The sheet's state.
    Entry& m_entry;
    std::shared_ptr<const EntryKey> m_key;
    std::function<void()> m_dismiss;
    EntryStore& m_store;
    QString m_text;
    bool m_dirty = false;

    const Clock& m_clock;
    PlainTextEditor* m_editor = nullptr;
    FilledButton* m_save = nullptr;
    PlainButton* m_versionsButton = nullptr;
    QPointer<VersionsSheet> m_versions;
};

} // namespace wendle
