// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

class QDialogButtonBox;
class QLabel;
class QLineEdit;

namespace wendle {

class SwitchToggle;

/**
 * Asks for a backup's passphrase: twice when a backup is being made, so a typing slip cannot lock the user out
 * of it, once when one is restored. The passphrase is handed on with `passphraseEntered` and the fields are
 * cleared.
 */
class PassphraseDialog : public QDialog
{
    Q_OBJECT

public:
    enum class Purpose
    {
        newBackup,
        restore
    };

    /** The shortest passphrase a new backup accepts. */
    static constexpr int minimumLength = 8;

    PassphraseDialog(Purpose purpose, QWidget* parent);

    QLineEdit* passphraseField() const { return m_passphrase; }
    QLineEdit* repeatField() const { return m_repeat; }
    /** "Include earlier versions", off by default; only when a backup is being made. */
    SwitchToggle* versionsBox() const { return m_versions; }

Q_SIGNALS:
    void passphraseEntered(const QString& passphrase);

private:
    void check();
    void submit();

    Purpose m_purpose;
    QLineEdit* m_passphrase;
    QLineEdit* m_repeat;
    SwitchToggle* m_versions;
    QLabel* m_feedback;
    QDialogButtonBox* m_buttons;
};

} // namespace wendle
