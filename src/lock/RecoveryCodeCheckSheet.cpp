// SPDX-License-Identifier: GPL-3.0-or-later
#include "lock/RecoveryCodeCheckSheet.h"

#include "journal/RecoveryCode.h"
#include "lock/CodeSheet.h"
#include "ui/FilledButton.h"
#include "ui/LiveLabel.h"
#include "ui/Palette.h"
#include "ui/PlainButton.h"
#include "ui/SheetEdge.h"
#include "ui/TextLabel.h"
#include "ui/Typography.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QVBoxLayout>

namespace wendle {

RecoveryCodeCheckSheet::RecoveryCodeCheckSheet(Matcher matches, QWidget* parent)
    : QDialog(parent)
    , m_matches(std::move(matches))
    , m_field(new QLineEdit(this))
    , m_result(new LiveLabel(12, Palette::ink(), this))
    , m_notNow(new PlainButton(tr("Not now"), 13, Palette::muted(), this))
{
    const auto [title, note] = setUpCodeSheet(this, tr("Check your recovery code"),
                                              tr("Type or paste the recovery code you keep for this "
                                                 "journal. It is only compared with the journal's key, "
                                                 "and not kept."),
                                              m_field);
    m_result->setWordWrap(true);
    m_notNow->setAccessibleName(m_notNow->text());
    auto* close = new FilledButton(tr("Close"), 13, this);
    close->setAccessibleName(close->text());
    close->setColours(Palette::ink(), Palette::paper());
    connect(close, &QAbstractButton::clicked, this, &QDialog::reject);
    connect(m_notNow, &QAbstractButton::clicked, this, [this] {
        Q_EMIT postponed();
        reject();
    });
    connect(m_field, &QLineEdit::textChanged, this, [this] { check(false); });
    connect(m_field, &QLineEdit::returnPressed, this, [this] { check(true); });

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_notNow);
    buttons->addSpacing(20);
    buttons->addWidget(close);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(32, 28, 32, 28);
    layout->setSpacing(14);
    layout->addWidget(title);
    layout->addWidget(note);
    layout->addWidget(m_field);
    layout->addWidget(m_result);
    layout->addStretch(1);
    layout->addLayout(buttons);
}

RecoveryCodeCheckSheet::~RecoveryCodeCheckSheet()
{
    m_field->clear();
}

void RecoveryCodeCheckSheet::check(bool submitted)
{
    // Part of a code is still being typed: nothing to say yet, unless the user asks.
    if (!submitted && normalizedRecoveryCode(m_field->text()).size() < recoveryCodeLength) {
        m_result->announce(QString());
        return;
    }
    if (!m_matches(m_field->text())) {
        m_result->announce(tr("This is not your journal's code — show it again after authenticating"));
        return;
    }
    m_result->announce(tr("This code opens your journal"));
    m_notNow->hide(); // nothing left to put off
    if (!m_confirmed) {
        m_confirmed = true;
        Q_EMIT confirmed();
    }
}

} // namespace wendle
