// SPDX-License-Identifier: GPL-3.0-or-later
#include "lock/PamConversationDialog.h"

#include "ui/MessageBox.h"
#include "ui/Palette.h"
#include "ui/Typography.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <cstring>

namespace wendle {

PamConversationDialog::PamConversationDialog(const QString& reason, QWidget* parent)
    : QDialog(parent)
    , m_messages(new QLabel(this))
    , m_prompt(new QLabel(this))
    , m_answer(new QLineEdit(this))
    , m_ok(nullptr)
{
    setWindowTitle(reason.left(1).toUpper() + reason.mid(1));
    useDialogLook(this);
    if (!parent) {
        // With no window to belong to, the question still holds everything until it is answered.
        setModal(true);
    }
    setMinimumWidth(380);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 20, 24, 16);
    layout->setSpacing(10);

    auto* why = new QLabel(tr("Authenticate to %1.").arg(reason), this);
    why->setFont(Typography::font(13));
    why->setWordWrap(true);
    layout->addWidget(why);

    m_messages->setFont(Typography::font(12));
    m_messages->setWordWrap(true);
    m_messages->setAccessibleName(tr("messages"));
    m_messages->hide();
    layout->addWidget(m_messages);

    m_prompt->setFont(Typography::font(12));
    m_prompt->hide();
    layout->addWidget(m_prompt);
    m_answer->setFont(Typography::font(13));
    m_answer->hide();
    layout->addWidget(m_answer);

    // Plain buttons: a standard button box would look up themed icons, which costs a noticeable moment.
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    auto* cancel = new QPushButton(tr("Cancel"), this);
    m_ok = new QPushButton(tr("Unlock"), this);
    m_ok->setEnabled(false);
    // Return answers; it must never reach Cancel, even while Unlock waits for a question.
    m_ok->setDefault(true);
    cancel->setAutoDefault(false);
    connect(m_ok, &QPushButton::clicked, this, &PamConversationDialog::submit);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_answer, &QLineEdit::returnPressed, this, &PamConversationDialog::submit);
    buttons->addWidget(cancel);
    buttons->addWidget(m_ok);
    layout->addLayout(buttons);
}

void PamConversationDialog::ask(const QString& prompt, bool secret, std::function<void(Answer)> answered)
{
    m_answered = std::move(answered);
    m_prompt->setText(prompt.trimmed());
    m_prompt->show();
    m_answer->setEchoMode(secret ? QLineEdit::Password : QLineEdit::Normal);
    // PAM's own question ("Password:") is the field's visible label.
    m_answer->setAccessibleName(prompt.trimmed());
    m_answer->clear();
    m_answer->show();
    m_answer->setEnabled(true);
    m_ok->setEnabled(true);
    m_answer->setFocus(Qt::OtherFocusReason);
}

void PamConversationDialog::tell(const QString& message, bool error)
{
    const QString line = error ? QStringLiteral("⚠ ") + message.trimmed() : message.trimmed();
    m_messages->setText(m_messages->text().isEmpty() ? line : m_messages->text() + u'\n' + line);
    // The name stays "messages"; what they say is read as the description.
    m_messages->setAccessibleDescription(m_messages->text());
    m_messages->show();
}

void PamConversationDialog::submit()
{
    if (!m_answered) {
        return;
    }
    QByteArray utf8 = m_answer->text().toUtf8();
    m_answer->clear();
    auto answer = std::make_shared<LockedBuffer>(static_cast<std::size_t>(utf8.size()) + 1);
    std::memcpy(answer->data(), utf8.constData(), static_cast<std::size_t>(utf8.size()));
    answer->data()[utf8.size()] = 0;
    explicit_bzero(utf8.data(), static_cast<std::size_t>(utf8.size()));
    m_answer->setEnabled(false);
    m_ok->setEnabled(false);
    std::function<void(Answer)> answered = std::move(m_answered);
    m_answered = nullptr;
    answered(answer);
}

} // namespace wendle
