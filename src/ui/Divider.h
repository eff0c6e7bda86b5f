// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

namespace wendle {

/** A thin horizontal rule in the hairline colour, as wide as its layout makes it. */
class Divider : public QWidget
{
    Q_OBJECT

public:
    explicit Divider(QWidget* parent = nullptr);
    QSize sizeHint() const override { return {1, 1}; }

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace wendle
