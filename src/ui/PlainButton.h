// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractButton>
#include <QColor>

namespace wendle {

/** A borderless button that is only its text, in one colour. */
class PlainButton : public QAbstractButton
{
    Q_OBJECT

public:
    PlainButton(const QString& text, int fontSize, const QColor& colour, QWidget* parent = nullptr);

    void setColour(const QColor& colour);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    bool m_keyboardFocus = false; // the focus mark shows only when the keyboard brought focus here
    QColor m_colour;
};

} // namespace wendle
