// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "journal/Preferences.h"

#include <QWidget>

class QLabel;

namespace wendle {

class PlainButton;
class SwitchToggle;

/**
 * The settings window's "Snapshots" section: the "Keep snapshots" switch (off: no new snapshots, those there
 * stay), the folder they go to with "Choose…" to pick another (a second drive, say), and the day of the last
 * snapshot, which follows a snapshot written while it is open. A folder that cannot hold them is refused with
 * its reason, and the folder in use stays.
 */
class SnapshotSettings : public QWidget
{
    Q_OBJECT

public:
    /** `journalPath` is the journal's file, whose folder cannot hold its snapshots. */
    SnapshotSettings(QString journalPath, int textSize, QWidget* parent = nullptr);

    /** Takes `folder` for the snapshots; false, with the reason shown under it, when it is refused. */
    bool chooseFolder(const QString& folder);
    /** Reads the folder and the last snapshot's day again. */
    void refresh();

    SwitchToggle* keepToggle() const { return m_keep; }
    PlainButton* chooseButton() const { return m_choose; }
    QLabel* folderLabel() const { return m_folder; }
    QLabel* refusalLabel() const { return m_refusal; }
    QLabel* lastSnapshotLabel() const { return m_last; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void askForFolder();

    QString m_journalPath;
    Preferences m_preferences;
    SwitchToggle* m_keep;
    QLabel* m_folder;
    PlainButton* m_choose;
    QLabel* m_refusal;
    QLabel* m_last;
};

} // namespace wendle
