// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/TextLabel.h"

#include "ui/Palette.h"
#include "ui/Typography.h"

namespace wendle {

QLabel* textLabel(const QString& text, int size, const QColor& colour, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setFont(Typography::font(size));
    setTextColour(label, colour);
    return label;
}

void setTextColour(QLabel* label, const QColor& colour)
{
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    // A label of a disabled control fades with it.
    palette.setColor(QPalette::Disabled, QPalette::WindowText, Palette::faint());
    label->setPalette(palette);
}

} // namespace wendle
