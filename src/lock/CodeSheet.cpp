// SPDX-License-Identifier: GPL-3.0-or-later
#include "lock/CodeSheet.h"

#include "journal/RecoveryCode.h"
#include "ui/Palette.h"
#include "ui/SheetEdge.h"
#include "ui/TextLabel.h"
#include "ui/Typography.h"

#include <QCoreApplication>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>

namespace wendle {

CodeSheetTexts setUpCodeSheet(QDialog* sheet, const QString& title, const QString& note, QLineEdit* field)
{
    sheet->setWindowTitle(title);
    sheet->setWindowModality(Qt::WindowModal);
    sheet->setFixedSize(560, 300);
    useSheetLook(sheet);
    CodeSheetTexts texts{textLabel(title, 15, Palette::ink(), sheet), textLabel(note, 12, Palette::muted(), sheet)};
    texts.note->setWordWrap(true);
    field->setFont(Typography::font(14));
    field->setAccessibleName(QCoreApplication::translate("wendle::CodeSheet", "recovery code"));
    field->setMaxLength(4 * recoveryCodeLength); // room for any spacing, and no more
    return texts;
}

} // namespace wendle
