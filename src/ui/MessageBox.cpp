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

} // namespace

QIcon themeIcon(MessageKind kind)
{
    QString name;
    switch (kind) {
    case MessageKind::information:
        name = QStringLiteral("dialog-information");
        break;
    case MessageKind::question:
        name = QStringLiteral("dialog-question");
        break;
    case MessageKind::warning:
        name = QStringLiteral("dialog-warning");
        break;
    case MessageKind::critical:
        name = QStringLiteral("dialog-error");
        break;
    }
    return QIcon::hasThemeIcon(name) ? QIcon::fromTheme(name) : QIcon();
}

QMessageBox* messageBox(QWidget* parent, MessageKind kind, const QString& title, const QString& text,
                        const QString& informative)
{
    auto* box = new QMessageBox(QMessageBox::NoIcon, title, text, QMessageBox::NoButton, parent);
    box->setInformativeText(informative);
    box->setAttribute(Qt::WA_DeleteOnClose);
    useDialogLook(box);
    useSheetLook(box);
    if (const QIcon icon = themeIcon(kind); !icon.isNull()) {
        const int size = box->style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, box);
        box->setIconPixmap(icon.pixmap(size, size));
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
