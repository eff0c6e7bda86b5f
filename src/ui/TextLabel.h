// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QLabel>

namespace wendle {

/** A one-line label in the monospaced font at `size`, in `colour`. */
QLabel* textLabel(const QString& text, int size, const QColor& colour, QWidget* parent);

/** Changes a label's text colour (`Palette::faint` while the label is disabled). */
void setTextColour(QLabel* label, const QColor& colour);

} // namespace wendle
