// SPDX-License-Identifier: GPL-3.0-or-later
#include "lock/RecoveryCodeDialog.h"

#include "journal/EntryKeyStore.h"

#include "journal/LockedBuffer.h"
#include "journal/RecoveryCode.h"
#include "lock/CodeSheet.h"
#include "lock/LockView.h"
#include "ui/FilledButton.h"
#include "ui/Palette.h"
#include "ui/PlainButton.h"
#include "ui/SheetEdge.h"
#include "ui/TextLabel.h"
#include "ui/Typography.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace wendle {

RecoveryCodeDialog::RecoveryCodeDialog(QWidget* parent, Purpose purpose)
    : QDialog(parent)
    , m_field(new QLineEdit(this))
    , m_feedback(textLabel(QString(), 12, Palette::muted(), this))
    , m_restore(new FilledButton(purpose == Purpose::restore    ? tr("Restore")
                                     : purpose == Purpose::join ? tr("Use this journal")
                                                                : tr("Join that journal"),
                                 13, this))
{
    QString title = tr("Restore from recovery code");
    QString note = tr("Type the code Wendle showed you when this journal's "
                      "key was made. Case, spaces and hyphens don't matter.");
    if (purpose == Purpose::join) {
        title = tr("Use my journal from another computer");
        note = tr("Type the recovery code of the journal on your other computer. Its entries arrive "
                  "through the sync folder you choose next. Case, spaces and hyphens don't matter.");
    } else if (purpose == Purpose::joinWithWriting) {
        title = tr("Join that journal");
        note = tr("Type the recovery code of the journal on your other computer. The entries written here are "
                  "sealed again under its key and join it; from then on that code, not this journal's old one, "
                  "opens them. Case, spaces and hyphens don't matter.");
    }
    const auto [titleLabel, noteLabel] = setUpCodeSheet(this, title, note, m_field);
    m_feedback->setWordWrap(true);
    m_restore->setColours(Palette::ink(), Palette::paper());
    auto* cancel = new PlainButton(tr("Cancel"), 13, Palette::muted(), this);
    connect(cancel, &QAbstractButton::clicked, this, &QDialog::reject);
    connect(m_restore, &QAbstractButton::clicked, this, &RecoveryCodeDialog::submit);
    connect(m_field, &QLineEdit::textChanged, this, &RecoveryCodeDialog::check);
    connect(m_field, &QLineEdit::returnPressed, this, &RecoveryCodeDialog::submit);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cancel);
    buttons->addSpacing(20);
    buttons->addWidget(m_restore);
    setTabOrder(cancel, m_restore); // the button made first stands last

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(32, 28, 32, 28);
    layout->setSpacing(14);
    layout->addWidget(titleLabel);
    layout->addWidget(noteLabel);
    layout->addWidget(m_field);
    layout->addWidget(m_feedback);
    layout->addStretch(1);
    layout->addLayout(buttons);
    check();
}

RecoveryCodeDialog::~RecoveryCodeDialog()
{
    m_field->clear();
}

void RecoveryCodeDialog::showKeyFailure(const EntryKeyResult& result, const QString& mismatch)
{
    if (!result.error) {
        showFailure(tr("Couldn't verify — try again"));
    } else if (result.problem == KeyProblem::keyMismatch) {
        showFailure(mismatch);
    } else {
        // A key that cannot be stored is the keyring's trouble, unless the journal itself could not be written.
        showFailure(LockView::problemSentence(result.problem == KeyProblem::journalUnwritable
                                                  ? KeyProblem::journalUnwritable
                                                  : KeyProblem::keyringUnavailable));
    }
}

void RecoveryCodeDialog::showFailure(const QString& text)
{
    m_feedback->setText(text);
    m_restore->setEnabled(true);
}

QString RecoveryCodeDialog::feedback() const
{
    return m_feedback->text();
}

void RecoveryCodeDialog::check()
{
    const QString code = normalizedRecoveryCode(m_field->text());
    const bool complete = code.size() == recoveryCodeLength;
    const std::optional<QByteArray> key = complete ? parseRecoveryCode(code) : std::nullopt;
    QString text;
    if (code.size() > recoveryCodeLength) {
        text = tr("That is longer than a recovery code (%1 characters).").arg(recoveryCodeLength);
    } else if (complete && !key) {
        text = tr("The checksum does not match: a character is mistyped.");
    } else if (!code.isEmpty() && !complete) {
        text = tr("%1 of %2 characters").arg(code.size()).arg(recoveryCodeLength);
    }
    m_feedback->setText(text);
    m_restore->setEnabled(key.has_value());
}

void RecoveryCodeDialog::submit()
{
    std::optional<QByteArray> key = parseRecoveryCode(m_field->text());
    if (!key) {
        return;
    }
    m_restore->setEnabled(false);
    m_feedback->setText(tr("Checking…"));
    Q_EMIT codeEntered(*key);
    wipeBytes(*key);
}

} // namespace wendle
