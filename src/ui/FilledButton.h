// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/QuietButton.h"

#include <QColor>

namespace wendle {

/** A button on a filled rounded rectangle (radius 8 unless set), padded 18 by 9 unless set. */
class FilledButton : public QuietButton
{
    Q_OBJECT

public:
    FilledButton(const QString& text, int fontSize, QWidget* parent = nullptr);

    /** The fill and the text colour; screens switch between two states (ink, and accent for done). */
    void setColours(const QColor& fill, const QColor& textColour);
    QColor fill() const { return m_fill; }
    /** Space around the text, 18 by 9 unless set. */
    void setPadding(int horizontal, int vertical);
    /** The corners' radius, 8 unless set. */
    void setCornerRadius(qreal radius);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_fill;
    QColor m_textColour;
    int m_paddingX;
    int m_paddingY;
    qreal m_radius;
};

} // namespace wendle
