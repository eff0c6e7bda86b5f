// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/FolderChooser.h"

#include <QFileDialog>
#include <QLayout>

namespace wendle {

void chooseFolder(QWidget* parent, const QString& title, const QString& start,
                  std::function<void(const QString& folder)> chosen)
{
    auto* dialog = new QFileDialog(parent->window(), title, start);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::WindowModal);
    dialog->setFileMode(QFileDialog::Directory);
    dialog->setOption(QFileDialog::ShowDirsOnly);
    QObject::connect(dialog, &QFileDialog::fileSelected, parent, std::move(chosen));
    dialog->open();
}

void fitWindowHeight(QWidget* section)
{
    if (QWidget* top = section->window(); top != section && top->layout() && top->layout()->hasHeightForWidth()) {
        top->setFixedHeight(top->layout()->heightForWidth(top->width()));
    }
}

} // namespace wendle
