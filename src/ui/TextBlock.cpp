// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/TextBlock.h"

#include <QPainter>
#include <QResizeEvent>
#include <QTextLayout>

#include <cmath>

namespace wendle {

TextBlock::TextBlock(const QFont& font, const QColor& colour, int lineSpacing, int maxLines, QWidget* parent)
    : QWidget(parent)
    , m_colour(colour)
    , m_lineSpacing(lineSpacing)
    , m_maxLines(maxLines)
{
    setFont(font);
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
}

void TextBlock::setText(const QString& text)
{
    if (text == m_text) {
        return;
    }
    m_text = text;
    setAccessibleName(text);
    updateGeometry();
    update();
}

void TextBlock::setColour(const QColor& colour)
{
    m_colour = colour;
    update();
}

void TextBlock::setTextFont(const QFont& font, int lineSpacing)
{
    setFont(font);
    m_lineSpacing = lineSpacing;
    updateGeometry();
    update();
}

QString TextBlock::shownText() const
{
    QStringList shown;
    for (const Line& line : layoutLines(width())) {
        shown << line.text.trimmed();
    }
    return shown.join(u' ');
}

std::vector<TextBlock::Line> TextBlock::layoutLines(int width) const
{
    std::vector<Line> lines;
    if (m_text.isEmpty() || width <= 0) {
        return lines;
    }
    const QFontMetricsF metrics(font());
    qreal y = 0;
    // Each paragraph wraps on its own; explicit line breaks start new lines.
    const QStringList paragraphs = m_text.split(u'\n');
    const auto full = [&] { return m_maxLines > 0 && static_cast<int>(lines.size()) >= m_maxLines; };
    for (qsizetype p = 0; p < paragraphs.size() && !full(); ++p) {
        const QString& paragraph = paragraphs.at(p);
        if (paragraph.isEmpty()) {
            lines.push_back({QString(), y});
            y += metrics.height() + m_lineSpacing;
            continue;
        }
        QTextLayout layout(paragraph, font());
        QTextOption option;
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        layout.setTextOption(option);
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid() && !full(); line = layout.createLine()) {
            line.setLineWidth(width);
            QString text = paragraph.mid(line.textStart(), line.textLength());
            if (m_maxLines > 0 && static_cast<int>(lines.size()) == m_maxLines - 1) {
                // The last line allowed takes the rest of the text, cut with an ellipsis where it overflows.
                const QString rest = (QStringList{paragraph.mid(line.textStart())} + paragraphs.mid(p + 1)).join(u' ');
                text = metrics.elidedText(rest, Qt::ElideRight, width);
            }
            lines.push_back({text, y});
            y += metrics.height() + m_lineSpacing;
        }
        layout.endLayout();
    }
    return lines;
}

int TextBlock::heightForWidth(int width) const
{
    const std::vector<Line> lines = layoutLines(width);
    if (lines.empty()) {
        return 0;
    }
    const QFontMetricsF metrics(font());
    return static_cast<int>(std::ceil(lines.back().y + metrics.height()));
}

QSize TextBlock::sizeHint() const
{
    const QFontMetrics metrics(font());
    const int width = std::min(metrics.horizontalAdvance(m_text), 560);
    return {width, heightForWidth(std::max(width, 1))};
}

QSize TextBlock::minimumSizeHint() const
{
    // Never squeezed below its text at the width it has: the window grows instead.
    return {0, heightForWidth(width() > 0 ? width() : sizeHint().width())};
}

void TextBlock::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (event->oldSize().width() != event->size().width()) {
        updateGeometry();
    }
}

void TextBlock::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setPen(m_colour);
    const QFontMetricsF metrics(font());
    for (const Line& line : layoutLines(width())) {
        painter.drawText(QPointF(0, line.y + metrics.ascent()), line.text);
    }
}

} // namespace wendle
