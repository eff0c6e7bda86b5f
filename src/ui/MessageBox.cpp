// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/MessageBox.h"

#include "ui/SheetEdge.h"
#include "ui/Typography.h"

#include <QIcon>
#include <QMessageBox>
#include <QStyle>

namespace wendle {

namespace {

constexpr int kTextSize = 13;

QString themeIconName(MessageKind kind)
{
    switch (kind) {
    case MessageKind::information:
        return QStringLiteral("dialog-information");
    case MessageKind::question:
        return QStringLiteral("dialog-question");
    case MessageKind::warning:
        return QStringLiteral("dialog-warning");
    case MessageKind::critical:
        return QStringLiteral("dialog-error");
    }
    return {};
}

} // namespace

QMessageBox* messageBox(QWidget* parent, MessageKind kind, const QString& title, const QString& text,
                        const QString& informative)
{
    auto* box = new QMessageBox(QMessageBox::NoIcon, title, text, QMessageBox::NoButton, parent);
    box->setInformativeText(informative);
    box->setAttribute(Qt::WA_DeleteOnClose);
    useDialogLook(box);
    useSheetLook(box);
    // Qt's own fallback pictures look foreign on every desktop: the theme's icon, or none.
    const QString icon = themeIconName(kind);
    if (QIcon::hasThemeIcon(icon)) {
        const int size = box->style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, box);
        box->setIconPixmap(QIcon::fromTheme(icon).pixmap(size, size));
    }
    return box;
}

QMessageBox* showMessage(QWidget* parent, MessageKind kind, const QString& title, const QString& text,
                         const QString& details)
{
    QMessageBox* box = messageBox(parent, kind, title, text);
    box->setDetailedText(details);
    box->addButton(QMessageBox::Ok);
    box->open();
    return box;
}

void useDialogLook(QDialog* dialog)
{
    dialog->setFont(Typography::font(kTextSize));
    // A dialog without a window to belong to blocks nothing.
    dialog->setWindowModality(dialog->parentWidget() ? Qt::WindowModal : Qt::NonModal);
}

} // namespace wendle
