// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStyledItemDelegate>

namespace wendle {

/**
 * Paints one archive row: the entry's date in a column of 110, its category in a column of 96 and its text on
 * one line, truncated where it does not fit, each 14 apart and on one baseline, padded 13 above and below,
 * with a hairline under the row. The whole row is one button: it opens the entry.
 */
class ArchiveRow : public QStyledItemDelegate
{
    Q_OBJECT

public:
    static constexpr int padding = 13;
    static constexpr int spacing = 14;
    static constexpr int dateWidth = 110;
    static constexpr int categoryWidth = 96;

    using QStyledItemDelegate::QStyledItemDelegate;

    /** The height of every row, its hairline included. */
    static int rowHeight();
    /** The part of `snippet` a row `rowWidth` wide shows, cut with an ellipsis; empty when there is no room. */
    static QString shownSnippet(const QString& snippet, int rowWidth);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

} // namespace wendle
