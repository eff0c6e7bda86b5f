// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>

class QWidget;

namespace wendle {

/**
 * The keys that size the writing text while focus is anywhere in `surface`: Ctrl+= and Ctrl++ call `resize`
 * with +1, Ctrl+− with −1, Ctrl+0 with 0 (back to the standard size).
 */
void addTextSizeKeys(QWidget* surface, const std::function<void(int step)>& resize);

} // namespace wendle
