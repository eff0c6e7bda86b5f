// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/MonthRecapCard.h"

#include "journal/DateText.h"
#include "ui/EnglishPluralForms.h"
#include "ui/FilledButton.h"
#include "ui/Palette.h"
#include "ui/Pill.h"
#include "ui/TextBlock.h"
#include "ui/Typography.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QShortcut>
#include <QVBoxLayout>

namespace wendle {

MonthRecapCard::MonthRecapCard(QWidget* parent)
    : QWidget(parent)
    , m_sentence(new TextBlock(Typography::font(18, QFont::Medium), Palette::ink(), 6, 0, this))
    , m_line(new TextBlock(Typography::font(13), Palette::muted(), 6, 3, this))
    , m_lineGap(new QWidget(this))
    , m_begin(new FilledButton(QString(), 12, this))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(56, 84, 56, 36);
    layout->setSpacing(0);
    layout->addWidget(new Pill(tr("looking back"), this), 0, Qt::AlignLeft);
    layout->addSpacing(26);
    layout->addWidget(m_sentence);
    m_lineGap->setFixedHeight(24);
    layout->addWidget(m_lineGap);
    layout->addWidget(m_line);
    layout->addSpacing(30);
    layout->addStretch(1);
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(m_begin);
    layout->addLayout(row);

    m_begin->setColours(Palette::ink(), Palette::paper());
    // The card takes the focus for its one button, so Space begins the month without a pointer.
    setFocusProxy(m_begin);
    connect(m_begin, &QAbstractButton::clicked, this, &MonthRecapCard::begin);
    for (const QKeySequence& keys : {QKeySequence(Qt::CTRL | Qt::Key_Return), QKeySequence(Qt::CTRL | Qt::Key_Enter)}) {
        auto* shortcut = new QShortcut(keys, this);
        shortcut->setContext(Qt::WindowShortcut);
        shortcut->setEnabled(false);
        connect(shortcut, &QShortcut::activated, this, &MonthRecapCard::begin);
        m_shortcuts << shortcut;
    }
}

QString MonthRecapCard::sentence(const RecapData& recap, const Calendar& calendar)
{
    //: %1 and %2 are numbers of days (a month has at least 28), %3 a month, %4 the number of words in the user's
    //: number format, which chooses the form.
    return tr("You wrote %1 of %2 days in %3 — %4 words.", nullptr, pluralCount(recap.totalWords))
        .arg(recap.daysWritten)
        .arg(recap.dayCount)
        .arg(recap.monthLabel, formatInteger(recap.totalWords, calendar));
}

void MonthRecapCard::setRecap(const RecapData& recap)
{
    m_sentence->setText(sentence(recap, Calendar::current()));
    m_line->setVisible(recap.line.has_value());
    m_lineGap->setVisible(recap.line.has_value());
    m_line->setText(recap.line ? QStringLiteral("“") + *recap.line + QStringLiteral("”") : QString());
    m_begin->setText(recap.beginLabel + QStringLiteral(" →"));
    m_begin->setAccessibleName(recap.beginLabel);
    m_begin->updateGeometry();
}

void MonthRecapCard::paintEvent(QPaintEvent*)
{
    QPainter(this).fillRect(rect(), Palette::paper());
}

void MonthRecapCard::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    for (QShortcut* shortcut : std::as_const(m_shortcuts)) {
        shortcut->setEnabled(true);
    }
}

void MonthRecapCard::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    for (QShortcut* shortcut : std::as_const(m_shortcuts)) {
        shortcut->setEnabled(false);
    }
}

} // namespace wendle
