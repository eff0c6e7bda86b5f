// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QHash>
#include <QString>
#include <QWidget>

namespace wendle {

class Clock;

/**
 * The 26-week activity heatmap: one column per week, oldest on the left, Sunday at the top, each day shaded by
 * the words credited to it. Today is the current calendar day, worked out whenever it is drawn.
 */
class HeatmapView : public QWidget
{
    Q_OBJECT

public:
    static constexpr int cellSize = 10;
    static constexpr int gap = 3;
    static constexpr qreal cornerRadius = 2.5;

    explicit HeatmapView(const Clock& clock, QWidget* parent = nullptr);

    /** Day key → summed credited words. */
    void setWordsByDay(const QHash<QString, qint64>& wordsByDay);
    const QHash<QString, qint64>& wordsByDay() const { return m_wordsByDay; }

    /** The shade (0–4) of the cell at `column` and `row`; -1 for a blank cell after today. */
    int levelAt(int column, int row) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    /** Every cell's shade, index column × 7 + row, -1 for blank cells. */
    std::vector<int> levels() const;

    const Clock& m_clock;
    QHash<QString, qint64> m_wordsByDay;
};

} // namespace wendle
