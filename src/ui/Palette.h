// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QPalette>

class QWidget;

namespace wendle {

/** The eight colours every screen draws with (sRGB, opaque). */
namespace Palette {
/** Screen and sheet backgrounds; text on dark buttons. */
const QColor& paper();
/** Main text; dark buttons. */
const QColor& ink();
/** Secondary text. */
const QColor& muted();
/** Faint notes and legends. */
const QColor& faint();
/** Rules, dividers, the lock screen's ring. */
const QColor& hairline();
/** Category text, the "Saved" state, the lock symbol. */
const QColor& accent();
/** Category pill background. */
const QColor& accentWash();
/** The wavy line under a misspelt word: a muted red, noticed without alarming. */
const QColor& misspelt();

/** A light widget palette built from these colours, whatever the desktop's theme. */
QPalette lightPalette();

/** Gives a screen or sheet the paper background, to all its edges. */
void usePaperBackground(QWidget* widget);
} // namespace Palette

} // namespace wendle
