// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QDialog>

class QLabel;
class QLineEdit;

namespace wendle {

struct EntryKeyResult;

class FilledButton;

/**
 * Asks for a recovery code and checks it as it is typed: a complete code with a wrong checksum is called out
 * at once. A code that reads well is handed on with `codeEntered`; whoever restores the key answers with
 * `showFailure` or closes the dialog.
 */
class RecoveryCodeDialog : public QDialog
{
    Q_OBJECT

public:
    /**
     * What the code is typed for: to put this journal's key back, to take another computer's journal, or to join
     * it with the writing this journal holds, which is then sealed under that journal's key.
     */
    enum class Purpose
    {
        restore,
        join,
        joinWithWriting,
    };

    explicit RecoveryCodeDialog(QWidget* parent, Purpose purpose = Purpose::restore);
    ~RecoveryCodeDialog() override;

    /** Says why the code could not be used, and lets the user try again. */
    void showFailure(const QString& text);
    /**
     * Says why `result` brought no key: `mismatch` for a key that is not the one wanted, otherwise a failed
     * authentication or an unreachable keyring.
     */
    void showKeyFailure(const EntryKeyResult& result, const QString& mismatch);
    QString feedback() const;
    QLineEdit* codeField() const { return m_field; }

Q_SIGNALS:
    /** The 32 key bytes of a well-formed code. */
    void codeEntered(const QByteArray& key);

private:
    void check();
    void submit();

    QLineEdit* m_field;
    QLabel* m_feedback;
    FilledButton* m_restore;
};

} // namespace wendle
