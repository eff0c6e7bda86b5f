// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "journal/LockedBuffer.h"

#include <QDialog>

#include <functional>
#include <memory>

class QLabel;
class QLineEdit;
class QPushButton;

namespace wendle {

/**
 * What PAM says and asks during an unlock, shown to the user: the reason, PAM's information and error lines,
 * and its current question with a field for the answer (hidden for passwords).
 */
class PamConversationDialog : public QDialog
{
    Q_OBJECT

public:
    explicit PamConversationDialog(const QString& reason, QWidget* parent = nullptr);

    /** An answer, as UTF-8 with a final NUL, in locked memory that is wiped when the last holder lets go. */
    using Answer = std::shared_ptr<const LockedBuffer>;

    /** Shows a question; `secret` hides what is typed. `answered` receives the answer; the field is emptied. */
    void ask(const QString& prompt, bool secret, std::function<void(Answer)> answered);
    /** Adds an information or error line (a fingerprint reader's "Place your finger…"). */
    void tell(const QString& message, bool error);

private:
    void submit();

    QLabel* m_messages;
    QLabel* m_prompt;
    QLineEdit* m_answer;
    QPushButton* m_ok;
    std::function<void(Answer)> m_answered;
};

} // namespace wendle
