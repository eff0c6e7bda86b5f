// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QHash>
#include <QString>
#include <QWidget>

#include <optional>
#include <vector>

namespace wendle {

class Clock;

/**
 * The 26-week activity heatmap: one column per week, oldest on the left, Sunday at the top, each day shaded by
 * the words credited to it. Today is the current calendar day, worked out whenever it is drawn.
 *
 * It takes the focus: the arrow keys then walk its days (left and right a week, up and down a day, Home and End
 * to the first day and today), the day in hand ringed in the accent colour. A screen reader hears a summary of
 * the whole ("26 weeks, 22 days written, best run 11 days") and each day as it is reached ("Monday,
 * December 7: 52 words").
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

    /** The days shown, oldest first: cell `index` is at column index / 7, row index % 7. Today is the last. */
    int dayCount() const;
    /** A day as a screen reader hears it: its date and its words. */
    QString dayText(int index) const;
    /** What the heatmap shows at a glance, in words. */
    QString summary() const;
    /** The day the arrow keys are on; today until they move. */
    int currentDay() const;
    /** Where day `index` is drawn, in the widget's coordinates. */
    QRect dayRect(int index) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    /** Every cell's shade, index column × 7 + row, -1 for blank cells. */
    std::vector<int> levels() const;
    /** Words of every cell, index column × 7 + row, nothing for blank cells. */
    std::vector<std::optional<qint64>> words() const;
    void moveTo(int index);
    void announceCurrentDay();

    const Clock& m_clock;
    QHash<QString, qint64> m_wordsByDay;
    /** The day in hand once the arrow keys have moved; -1 for today. */
    int m_current = -1;
};

} // namespace wendle
