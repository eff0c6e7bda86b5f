// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/ArchiveList.h"

#include "history/ArchiveModel.h"
#include "history/ArchiveRow.h"

#include <QKeyEvent>
#include <QScrollBar>

namespace wendle {

ArchiveList::ArchiveList(ArchiveModel* model, QWidget* parent)
    : QListView(parent)
    , m_model(model)
{
    setModel(model);
    setItemDelegate(new ArchiveRow(this));
    setUniformItemSizes(true);
    // Rows follow the width that shows, so a snippet is cut where it can be seen.
    setResizeMode(QListView::Adjust);
    setFrameShape(QFrame::NoFrame);
    setSelectionMode(QAbstractItemView::NoSelection);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setFocusPolicy(Qt::TabFocus);
    setAccessibleName(tr("entries"));
    viewport()->setCursor(Qt::PointingHandCursor);
    viewport()->setAutoFillBackground(false);
    setAutoFillBackground(false);
    verticalScrollBar()->setSingleStep(ArchiveRow::rowHeight());
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Maximum);

    connect(this, &QAbstractItemView::clicked, this,
            [this](const QModelIndex& index) { Q_EMIT openRequested(m_model->entryAt(index.row())); });
    connect(model, &QAbstractItemModel::modelReset, this, &ArchiveList::fitHeight);
    connect(model, &QAbstractItemModel::rowsInserted, this, &ArchiveList::fitHeight);
    fitHeight();
}

QRect ArchiveList::rowRect(int row) const
{
    return visualRect(m_model->index(row));
}

void ArchiveList::keyPressEvent(QKeyEvent* event)
{
    const int key = event->key();
    if ((key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space) && currentIndex().isValid()) {
        Q_EMIT openRequested(m_model->entryAt(currentIndex().row()));
        return;
    }
    QListView::keyPressEvent(event);
}

void ArchiveList::resizeEvent(QResizeEvent* event)
{
    QListView::resizeEvent(event);
    // A screen reader hears a row's text cut where the screen cuts it.
    m_model->setRowWidth(viewport()->width());
}

void ArchiveList::fitHeight()
{
    const qint64 rows = m_model->rowCount();
    const int height = int(std::min<qint64>(maximumListHeight, rows * ArchiveRow::rowHeight()));
    setMinimumHeight(std::min(height, minimumRows * ArchiveRow::rowHeight()));
    setMaximumHeight(height);
}

QSize ArchiveList::sizeHint() const
{
    return {QListView::sizeHint().width(), maximumHeight()};
}

} // namespace wendle
