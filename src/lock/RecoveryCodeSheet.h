// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

namespace wendle {

class LiveLabel;

/**
 * Shows the journal's recovery code once, large, with ways to keep it: copy (cleared from the clipboard
 * again after a minute if it is still there) and print. The code is never written anywhere else.
 */
class RecoveryCodeSheet : public QDialog
{
    Q_OBJECT

public:
    static constexpr int clipboardSeconds = 60;

    /** `code` as `formatRecoveryCode` writes it. */
    RecoveryCodeSheet(const QString& code, QWidget* parent);
    ~RecoveryCodeSheet() override;

    /** Copies the code, marked as a secret for clipboard managers, and schedules its removal. */
    void copyCode();
    void printCode();
    /**
     * Offers, under the code, to use the journal of another computer instead: for a journal that has just made its
     * first key and holds no writing. Choosing it closes the sheet and emits `joinRequested`.
     */
    void offerJoining();

Q_SIGNALS:
    void joinRequested();

private:
    QString m_code;
    LiveLabel* m_copied;
};

} // namespace wendle
