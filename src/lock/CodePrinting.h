// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFont>
#include <QString>

class QWidget;

namespace wendle {

/** The printed page of a recovery code: a note on what it is, then the code itself. */
struct PrintedCode
{
    QString dialogTitle;
    QString note;
    QFont noteFont;
    QString code;
    QFont codeFont;
};

/** The name Wendle's print module exports `void (QWidget* parent, const PrintedCode& page)` under. */
inline constexpr char codePrinterEntry[] = "wendle_print_code";

/**
 * Asks for a printer with the system's print dialog, modal to `parent`, and prints `page` there. Qt Print
 * Support comes with Wendle's print module, loaded only now; false, with `failure` set, when it cannot be.
 */
[[nodiscard]] bool printCode(QWidget* parent, const PrintedCode& page, QString* failure);

} // namespace wendle
