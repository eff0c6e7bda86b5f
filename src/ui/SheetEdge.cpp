// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/SheetEdge.h"

#include "ui/Palette.h"

#include <QEvent>
#include <QPainter>
#include <QWidget>

namespace wendle {

namespace {

/** Draws the edge when the sheet paints, over its background and under its children. */
class SheetEdge : public QObject
{
public:
    using QObject::QObject;

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint) {
            auto* sheet = static_cast<QWidget*>(watched);
            QPainter painter(sheet);
            painter.setPen(Palette::hairline());
            painter.drawRect(sheet->rect().adjusted(0, 0, -1, -1));
        }
        return false;
    }
};

} // namespace

void useSheetLook(QWidget* sheet)
{
    Palette::usePaperBackground(sheet);
    sheet->installEventFilter(new SheetEdge(sheet));
}

} // namespace wendle
