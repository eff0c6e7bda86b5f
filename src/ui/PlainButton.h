// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/QuietButton.h"

#include <QColor>

namespace wendle {

/** A borderless button that is only its text, in one colour (`Palette::faint` while disabled). */
class PlainButton : public QuietButton
{
    Q_OBJECT

public:
    PlainButton(const QString& text, int fontSize, const QColor& colour, QWidget* parent = nullptr);

    void setColour(const QColor& colour);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_colour;
};

} // namespace wendle
