// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/Palette.h"

#include <QWidget>

namespace wendle::Palette {

namespace {
const QColor& made(double r, double g, double b)
{
    // Each colour is one static object, created on first use and shared by every screen.
    return *new QColor(QColor::fromRgbF(static_cast<float>(r), static_cast<float>(g), static_cast<float>(b)));
}
} // namespace

const QColor& paper()
{
    static const QColor& colour = made(0.98, 0.98, 0.973);
    return colour;
}

const QColor& ink()
{
    static const QColor& colour = made(0.122, 0.118, 0.102);
    return colour;
}

const QColor& muted()
{
    static const QColor& colour = made(0.545, 0.529, 0.486);
    return colour;
}

const QColor& faint()
{
    static const QColor& colour = made(0.725, 0.71, 0.663);
    return colour;
}

const QColor& hairline()
{
    static const QColor& colour = made(0.894, 0.886, 0.851);
    return colour;
}

const QColor& accent()
{
    static const QColor& colour = made(0.239, 0.42, 0.29);
    return colour;
}

const QColor& accentWash()
{
    static const QColor& colour = made(0.918, 0.941, 0.922);
    return colour;
}

const QColor& misspelt()
{
    static const QColor& colour = made(0.757, 0.42, 0.38);
    return colour;
}

QPalette lightPalette()
{
    QPalette palette;
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        palette.setColor(group, QPalette::Window, paper());
        palette.setColor(group, QPalette::Base, paper());
        palette.setColor(group, QPalette::AlternateBase, accentWash());
        palette.setColor(group, QPalette::Button, paper());
        palette.setColor(group, QPalette::Text, ink());
        palette.setColor(group, QPalette::WindowText, ink());
        palette.setColor(group, QPalette::ButtonText, ink());
        palette.setColor(group, QPalette::PlaceholderText, faint());
        palette.setColor(group, QPalette::Highlight, accentWash().darker(115));
        palette.setColor(group, QPalette::HighlightedText, ink());
        palette.setColor(group, QPalette::Mid, hairline());
        palette.setColor(group, QPalette::Midlight, hairline());
        palette.setColor(group, QPalette::Dark, muted());
        palette.setColor(group, QPalette::Light, paper());
        palette.setColor(group, QPalette::ToolTipBase, paper());
        palette.setColor(group, QPalette::ToolTipText, ink());
        palette.setColor(group, QPalette::Link, accent());
    }
    // Disabled controls fade to the faint notes' colour.
    for (const QPalette::ColorRole role : {QPalette::Text, QPalette::WindowText, QPalette::ButtonText}) {
        palette.setColor(QPalette::Disabled, role, faint());
    }
    return palette;
}

void usePaperBackground(QWidget* widget)
{
    widget->setAutoFillBackground(true);
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, paper());
    widget->setPalette(palette);
}

} // namespace wendle::Palette
