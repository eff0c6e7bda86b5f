// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QIcon>
#include <QString>

class QDialog;
class QMessageBox;
class QWidget;

namespace wendle {

/** What a message is about: it picks the desktop theme's icon, and no icon where the theme has none. */
enum class MessageKind
{
    information,
    question,
    warning,
    critical
};

/** The desktop theme's icon for a message of `kind`, or none: Qt's built-in ones look foreign on every desktop. */
QIcon themeIcon(MessageKind kind);

/**
 * A message box over the window of `parent`, modal to that window only (to nothing without a parent), in Wendle's
 * type, on paper with a hairline edge, deleted when it closes.
 * It has no buttons yet (with none added it shows OK) and is not shown: the caller adds them and opens it.
 */
QMessageBox* messageBox(QWidget* parent, MessageKind kind, const QString& title, const QString& text,
                        const QString& informative = {});

/** Opens a message box with an OK button and `details` behind its details button. */
QMessageBox* showMessage(QWidget* parent, MessageKind kind, const QString& title, const QString& text,
                         const QString& details = {});

/** Gives a dialog made elsewhere Wendle's look: its texts in Wendle's type, modal only to its parent's window. */
void useDialogLook(QDialog* dialog);

} // namespace wendle
