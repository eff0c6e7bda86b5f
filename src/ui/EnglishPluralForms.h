// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>

namespace wendle {

/**
 * Texts that count ("%n entries") take their form for one and for many from a translation, English included:
 * without it Qt would say "1 entries". Installs Wendle's English forms into the running application, once; a
 * translation installed later is asked first, so it only answers what that one lacks. Every process that shows
 * Wendle's texts calls this right after creating its application.
 */
void installEnglishPluralForms();

/** `count` as the `n` that chooses a text's form; Qt takes an int, and every count beyond it reads as many. */
int pluralCount(qint64 count);

} // namespace wendle
