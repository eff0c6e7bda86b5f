// SPDX-License-Identifier: GPL-3.0-or-later
#include "transfer/PassphraseDialog.h"

#include "ui/MessageBox.h"
#include "ui/SwitchToggle.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace wendle {

PassphraseDialog::PassphraseDialog(Purpose purpose, QWidget* parent)
    : QDialog(parent)
    , m_purpose(purpose)
    , m_passphrase(new QLineEdit(this))
    , m_repeat(new QLineEdit(this))
    , m_versions(new SwitchToggle(tr("Include earlier versions"), 13, this))
    , m_feedback(new QLabel(this))
    , m_buttons(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this))
{
    const bool making = purpose == Purpose::newBackup;
    setWindowTitle(making ? tr("Back up") : tr("Restore from backup"));
    useDialogLook(this);
    auto* intro = new QLabel(making ? tr("Choose a passphrase for this backup. Without it the backup cannot be opened, "
                                         "by anyone: keep it somewhere safe.")
                                    : tr("Enter the passphrase this backup was made with."),
                             this);
    intro->setWordWrap(true);
    m_passphrase->setEchoMode(QLineEdit::Password);
    m_passphrase->setAccessibleName(tr("Passphrase"));
    m_repeat->setEchoMode(QLineEdit::Password);
    m_repeat->setAccessibleName(tr("Passphrase again"));
    m_feedback->setWordWrap(true);

    auto* form = new QFormLayout;
    form->addRow(tr("Passphrase"), m_passphrase);
    if (making) {
        form->addRow(tr("Again"), m_repeat);
    } else {
        m_repeat->hide();
        m_versions->hide();
    }
    m_buttons->button(QDialogButtonBox::Ok)->setText(making ? tr("Back up") : tr("Open"));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addLayout(form);
    layout->addWidget(m_versions);
    layout->addWidget(m_feedback);
    layout->addWidget(m_buttons);
    setMinimumWidth(420);

    connect(m_passphrase, &QLineEdit::textChanged, this, &PassphraseDialog::check);
    connect(m_repeat, &QLineEdit::textChanged, this, &PassphraseDialog::check);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &PassphraseDialog::submit);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    check();
}

void PassphraseDialog::check()
{
    const QString passphrase = m_passphrase->text();
    QString problem;
    if (m_purpose == Purpose::newBackup && !passphrase.isEmpty()) {
        if (passphrase.size() < minimumLength) {
            problem = tr("Use at least %1 characters.").arg(minimumLength);
        } else if (!m_repeat->text().isEmpty() && m_repeat->text() != passphrase) {
            problem = tr("The two passphrases differ.");
        }
    }
    m_feedback->setText(problem);
    const bool complete = m_purpose == Purpose::restore
        ? !passphrase.isEmpty()
        : problem.isEmpty() && m_repeat->text() == passphrase && !passphrase.isEmpty();
    m_buttons->button(QDialogButtonBox::Ok)->setEnabled(complete);
}

void PassphraseDialog::submit()
{
    const QString passphrase = m_passphrase->text();
    m_passphrase->clear();
    m_repeat->clear();
    accept();
    Q_EMIT passphraseEntered(passphrase);
}

} // namespace wendle
