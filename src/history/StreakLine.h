// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

namespace wendle {

/** The streak row: the current streak in large type, then "day streak · best N · M of 7 this week", on one baseline. */
class StreakLine : public QWidget
{
    Q_OBJECT

public:
    static constexpr int spacing = 10;

    explicit StreakLine(QWidget* parent = nullptr);

    void setFigures(qint64 currentStreak, qint64 bestStreak, int daysThisWeek);
    QString number() const { return m_number; }
    QString caption() const { return m_caption; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_number;
    QString m_caption;
};

} // namespace wendle
