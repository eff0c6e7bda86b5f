// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QListView>

namespace wendle {

class ArchiveModel;
class Entry;

/**
 * The archive: a borderless list of `ArchiveRow`s over an `ArchiveModel`, as tall as its rows up to 260, then
 * scrolling; where the window is short it gives up height (down to three rows) before the screen's margins do.
 * Only the rows in view are ever painted, so only their texts are opened. A click on a row, or Return or Space
 * on the current one, asks to open its entry.
 */
class ArchiveList : public QListView
{
    Q_OBJECT

public:
    static constexpr int maximumListHeight = 260;
    static constexpr int minimumRows = 3;

    ArchiveList(ArchiveModel* model, QWidget* parent = nullptr);

    /** The rectangle of a row in the list's viewport. */
    QRect rowRect(int row) const;
    QSize sizeHint() const override;

    void keyboardSearch(const QString&) override { } // would open every row's text looking for a match

Q_SIGNALS:
    void openRequested(Entry* entry);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void fitHeight();

    ArchiveModel* m_model;
};

} // namespace wendle
