// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/Divider.h"

#include "ui/Palette.h"

#include <QPainter>

namespace wendle {

Divider::Divider(QWidget* parent)
    : QWidget(parent)
{
    setFixedHeight(1);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void Divider::paintEvent(QPaintEvent*)
{
    QPainter(this).fillRect(rect(), Palette::hairline());
}

} // namespace wendle
