// SPDX-License-Identifier: GPL-3.0-or-later
// Wendle's print module: the recovery code's page over Qt Print Support, loaded only when it is printed.
#include "lock/CodePrinting.h"

#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>

extern "C" Q_DECL_EXPORT void wendle_print_code(QWidget* parent, const wendle::PrintedCode& page)
{
    QPrinter printer;
    QPrintDialog dialog(&printer, parent);
    dialog.setWindowTitle(page.dialogTitle);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    QPainter painter(&printer);
    const QRectF area = printer.pageLayout().paintRectPixels(printer.resolution());
    painter.setFont(page.noteFont);
    painter.drawText(QRectF(0, 0, area.width(), area.height() / 4), Qt::AlignLeft | Qt::TextWordWrap, page.note);
    painter.setFont(page.codeFont);
    painter.drawText(QRectF(0, area.height() / 4, area.width(), area.height() / 4), Qt::AlignLeft, page.code);
}
