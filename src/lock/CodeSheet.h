// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class QDialog;
class QLabel;
class QLineEdit;

namespace wendle {

/** The heading and the note over a recovery-code field. */
struct CodeSheetTexts
{
    QLabel* title;
    QLabel* note;
};

/**
 * What the sheets that take a recovery code share: `sheet` becomes a window-modal 560 × 300 sheet titled
 * `title`, and `field` the code's field (monospaced, named "recovery code", long enough for any spacing).
 */
CodeSheetTexts setUpCodeSheet(QDialog* sheet, const QString& title, const QString& note, QLineEdit* field);

} // namespace wendle
