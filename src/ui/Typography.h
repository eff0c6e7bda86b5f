// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFont>

namespace wendle {

/** Every text of every screen: the system's monospaced font, sized in device-independent pixels. */
namespace Typography {
/** The monospaced font at `size` (for example 12, 13, 18) and `weight`. */
QFont font(int size, QFont::Weight weight = QFont::Normal);
} // namespace Typography

} // namespace wendle
