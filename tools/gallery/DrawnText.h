// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>

class QWidget;

namespace wendle::gallery {

/**
 * Every piece of text `widget` and its children draw when painted, in painting order: what a sighted user reads
 * on it, whether it comes from a label, a style or a widget's own paint event.
 */
QStringList drawnText(QWidget& widget);

} // namespace wendle::gallery
