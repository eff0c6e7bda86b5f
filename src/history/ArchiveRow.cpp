// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/ArchiveRow.h"

#include "history/ArchiveModel.h"
#include "ui/Palette.h"
#include "ui/Typography.h"

#include <QFontMetrics>
#include <QPainter>

namespace wendle {

namespace {

const QFont& textFont()
{
    static const QFont font = Typography::font(12);
    return font;
}

const QFont& categoryFont()
{
    static const QFont font = Typography::font(11);
    return font;
}

} // namespace

int ArchiveRow::rowHeight()
{
    return padding + QFontMetrics(textFont()).height() + padding + 1;
}

QString ArchiveRow::shownSnippet(const QString& snippet, int rowWidth)
{
    const int width = rowWidth - (dateWidth + spacing + categoryWidth + spacing);
    return width > 0 ? QFontMetrics(textFont()).elidedText(snippet, Qt::ElideRight, width) : QString();
}

QSize ArchiveRow::sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const
{
    // No width of its own: the list makes every row as wide as it shows, scroll bar or not.
    return {0, rowHeight()};
}

void ArchiveRow::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const QRect row = option.rect;
    const QFontMetrics text(textFont());
    const QFontMetrics category(categoryFont());
    const int baseline = row.top() + padding + text.ascent();
    int x = row.left();

    painter->save();
    painter->setFont(textFont());
    painter->setPen(Palette::muted());
    painter->drawText(QPoint(x, baseline),
                      text.elidedText(index.data(ArchiveModel::DateRole).toString(), Qt::ElideRight, dateWidth));
    x += dateWidth + spacing;

    painter->setFont(categoryFont());
    painter->setPen(Palette::accent());
    painter->drawText(
        QPoint(x, baseline),
        category.elidedText(index.data(ArchiveModel::CategoryRole).toString(), Qt::ElideRight, categoryWidth));
    x += categoryWidth + spacing;

    painter->setFont(textFont());
    painter->setPen(Palette::muted());
    painter->drawText(QPoint(x, baseline), shownSnippet(index.data(Qt::DisplayRole).toString(), row.width()));

    painter->fillRect(QRect(row.left(), row.bottom(), row.width(), 1), Palette::hairline());
    if (option.state & QStyle::State_HasFocus) {
        // Keyboard focus on a row shows as a hairline frame around it.
        painter->setPen(Palette::hairline());
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(row.adjusted(0, 0, -1, -2));
    }
    painter->restore();
}

} // namespace wendle
