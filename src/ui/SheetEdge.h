// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QWidget;

namespace wendle {

/**
 * Gives a sheet the paper background and a hairline (`Palette::hairline`) round its edge, square like the tray
 * panel's: where no window frame sets a sheet off, it would otherwise merge into the paper window beneath it.
 */
void useSheetLook(QWidget* sheet);

} // namespace wendle
