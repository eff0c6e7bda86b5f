// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/QuietButton.h"

#include "ui/Typography.h"

#include <QFocusEvent>

namespace wendle {

QuietButton::QuietButton(const QString& text, int fontSize, QWidget* parent)
    : QAbstractButton(parent)
{
    setText(text);
    setFont(Typography::font(fontSize));
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void QuietButton::focusInEvent(QFocusEvent* event)
{
    m_keyboardFocus = event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason;
    QAbstractButton::focusInEvent(event);
}

void QuietButton::focusOutEvent(QFocusEvent* event)
{
    m_keyboardFocus = false;
    QAbstractButton::focusOutEvent(event);
}

} // namespace wendle
