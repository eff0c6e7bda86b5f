// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/TextSizeKeys.h"

#include <QShortcut>
#include <QWidget>

namespace wendle {

void addTextSizeKeys(QWidget* surface, const std::function<void(int step)>& resize)
{
    const std::pair<QKeyCombination, int> keys[] = {{Qt::CTRL | Qt::Key_Equal, 1},
                                                    {Qt::CTRL | Qt::Key_Plus, 1},
                                                    {Qt::CTRL | Qt::Key_Minus, -1},
                                                    {Qt::CTRL | Qt::Key_0, 0}};
    for (const auto& [combination, step] : keys) {
        auto* shortcut = new QShortcut(QKeySequence(combination), surface);
        shortcut->setContext(Qt::WidgetWithChildrenShortcut);
        QObject::connect(shortcut, &QShortcut::activated, surface, [resize, step = step] { resize(step); });
    }
}

} // namespace wendle
