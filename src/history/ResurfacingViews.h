// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "history/LookingBack.h"

#include <QDialog>
#include <QWidget>

#include <functional>
#include <vector>

class QVBoxLayout;

namespace wendle {

/**
 * The looking-back rows under the Today editor: a rule, then one row per resurfaced item ("one month ago ·
 * Tuesday, March 4" over two lines of its text). Shows nothing at all when there are no items.
 */
class OnThisDaySection : public QWidget
{
    Q_OBJECT

public:
    explicit OnThisDaySection(QWidget* parent = nullptr);

    /** Shows `items`; clicking a row calls `open` with its item. */
    void setItems(const std::vector<ResurfacedItem>& items, std::function<void(const ResurfacedItem&)> open);

private:
    QVBoxLayout* m_rows;
};

/** The read-only reader of a resurfaced entry: a window-modal sheet of 560 × 420. */
class ResurfacedReader : public QDialog
{
    Q_OBJECT

public:
    ResurfacedReader(const ResurfacedItem& item, QWidget* parent);
};

} // namespace wendle
