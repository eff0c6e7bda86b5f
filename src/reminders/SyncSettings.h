// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "journal/Preferences.h"

#include <QDateTime>
#include <QWidget>

class QLabel;
class QTimer;

namespace wendle {

class PlainButton;
class SyncEngine;
struct SyncStatus;

/**
 * The settings window's "Sync" section: "Sync through a folder…" to choose a folder that a sync program keeps in
 * step between the user's computers, the folder in use with "Stop syncing", and the state in words ("Last synced
 * 2 minutes ago", a computer whose changes are still arriving, a failure), which follows the engine while shown.
 * A folder that cannot be used is refused with its reason, and the one in use stays. When the folder holds a
 * journal sealed under another key, "Join that journal…" asks for it (`joinRequested`).
 */
class SyncSettings : public QWidget
{
    Q_OBJECT

public:
    SyncSettings(SyncEngine& engine, int textSize, QWidget* parent = nullptr);

    /** Syncs through `folder`; false, with the reason shown, when it is refused. */
    bool chooseFolder(const QString& folder);
    /** Turns sync off: nothing more is written to or read from the folder; what it holds stays. */
    void stopSyncing();
    /** Opens a folder chooser; the folder chosen is taken as `chooseFolder` takes it. */
    void askForFolder();

    /** The state as the section words it at `now`. */
    static QString stateText(const SyncStatus& status, const QDateTime& now);

    QLabel* stateLabel() const { return m_state; }
    QLabel* folderLabel() const { return m_folder; }
    QLabel* refusalLabel() const { return m_refusal; }
    PlainButton* chooseButton() const { return m_choose; }
    PlainButton* stopButton() const { return m_stop; }
    PlainButton* joinButton() const { return m_join; }

Q_SIGNALS:
    /** The user wants this journal to join the one the folder holds, sealed under another key. */
    void joinRequested();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    /** The state of the passes, without the entries left out. */
    static QString passText(const SyncStatus& status, const QDateTime& now);
    void refresh();

    SyncEngine& m_engine;
    Preferences m_preferences;
    QLabel* m_state;
    QLabel* m_folder;
    QLabel* m_refusal;
    PlainButton* m_choose;
    PlainButton* m_stop;
    PlainButton* m_join;
    /** Keeps "Last synced … ago" true while the window is open. */
    QTimer* m_tick;
};

} // namespace wendle
