// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QWidget>

namespace wendle {

/**
 * Read-only wrapped text with extra space between lines and, optionally, at most a number of lines: the last
 * one shown ends in an ellipsis when the text goes on. Its height follows its width.
 */
class TextBlock : public QWidget
{
    Q_OBJECT

public:
    TextBlock(const QFont& font, const QColor& colour, int lineSpacing, int maxLines = 0, QWidget* parent = nullptr);

    QString text() const { return m_text; }
    /** The text as it is drawn at the current width: its lines joined by spaces, the last one elided. */
    QString shownText() const;
    void setText(const QString& text);
    void setColour(const QColor& colour);
    void setTextFont(const QFont& font, int lineSpacing);

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    struct Line
    {
        QString text;
        qreal y;
    };
    std::vector<Line> layoutLines(int width) const;

    QString m_text;
    QColor m_colour;
    int m_lineSpacing;
    int m_maxLines;
};

} // namespace wendle
