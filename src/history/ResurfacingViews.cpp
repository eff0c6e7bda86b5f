// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/ResurfacingViews.h"

#include "journal/DateText.h"
#include "prompts/PromptCategory.h"
#include "ui/Divider.h"
#include "ui/Palette.h"
#include "ui/Pill.h"
#include "ui/PlainButton.h"
#include "ui/PlainTextEditor.h"
#include "ui/SheetEdge.h"
#include "ui/TextBlock.h"
#include "ui/TextLabel.h"
#include "ui/Typography.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QScrollArea>
#include <QVBoxLayout>

namespace wendle {

namespace {

/** One row: a clickable area over the label-and-date line and two lines of text. */
class ResurfacedRow : public QAbstractButton
{
    Q_DECLARE_TR_FUNCTIONS(ResurfacedRow)

public:
    explicit ResurfacedRow(const ResurfacedItem& item, QWidget* parent)
        : QAbstractButton(parent)
    {
        setCursor(Qt::PointingHandCursor);
        setFocusPolicy(Qt::TabFocus);
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(6);
        auto* heading = new TextBlock(Typography::font(12), Palette::faint(), 0, 1, this);
        heading->setText(item.label + QStringLiteral(" · ")
                         + formatDate(item.entry->date(), QStringLiteral("EEEEMMMMd"), Calendar::current()));
        m_heading = heading;
        m_text = new TextBlock(Typography::font(13), Palette::muted(), 5, 2, this);
        m_text->setText(QString(item.text).replace(u'\n', u' '));
        setAccessibleName(tr("read entry from %1").arg(heading->text()));
        // Clicks anywhere in the row belong to the row.
        heading->setAttribute(Qt::WA_TransparentForMouseEvents);
        m_text->setAttribute(Qt::WA_TransparentForMouseEvents);
        layout->addWidget(heading);
        layout->addWidget(m_text);
        QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Preferred);
        policy.setHeightForWidth(true);
        setSizePolicy(policy);
    }

    QSize sizeHint() const override { return layout()->sizeHint(); }
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override { return layout()->heightForWidth(width); }

protected:
    // The name holds what the row shows, so it follows the width at which the text is cut.
    void resizeEvent(QResizeEvent* event) override
    {
        QAbstractButton::resizeEvent(event);
        setAccessibleName(tr("read entry from %1: %2").arg(m_heading->text(), m_text->shownText()));
    }

    void paintEvent(QPaintEvent*) override
    {
        if (hasFocus()) {
            QPainter painter(this);
            painter.setPen(Palette::hairline());
            painter.drawRect(rect().adjusted(0, 0, -1, -1));
        }
    }

private:
    TextBlock* m_heading = nullptr;
    TextBlock* m_text = nullptr;
};

} // namespace

OnThisDaySection::OnThisDaySection(QWidget* parent)
    : QWidget(parent)
    , m_rows(new QVBoxLayout(this))
{
    m_rows->setContentsMargins(0, 0, 0, 0);
    m_rows->setSpacing(0);
    setVisible(false);
}

void OnThisDaySection::setItems(const std::vector<ResurfacedItem>& items,
                                std::function<void(const ResurfacedItem&)> open)
{
    while (QLayoutItem* child = m_rows->takeAt(0)) {
        delete child->widget();
        delete child;
    }
    setVisible(!items.empty());
    if (items.empty()) {
        return;
    }
    m_rows->addSpacing(30);
    m_rows->addWidget(new Divider(this));
    for (const ResurfacedItem& item : items) {
        m_rows->addSpacing(20);
        auto* row = new ResurfacedRow(item, this);
        connect(row, &QAbstractButton::clicked, this, [open, item] { open(item); });
        m_rows->addWidget(row);
    }
}

ResurfacedReader::ResurfacedReader(const ResurfacedItem& item, QWidget* parent)
    : QDialog(parent)
{
    setWindowModality(Qt::WindowModal);
    setFixedSize(560, 420);
    setWindowTitle(item.label);
    useSheetLook(this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(36, 36, 36, 36);
    layout->setSpacing(18);

    auto* header = new QHBoxLayout;
    auto* date = textLabel(formatDate(item.entry->date(), QStringLiteral("EEEEMMMMdy"), Calendar::current()), 12,
                           Palette::muted(), this);
    auto* close = new PlainButton(tr("close"), 12, Palette::muted(), this);
    close->setAccessibleName(tr("close"));
    connect(close, &QAbstractButton::clicked, this, &QDialog::accept);
    header->addWidget(date);
    header->addStretch(1);
    header->addWidget(close);
    layout->addLayout(header);

    layout->addWidget(new Pill(label(categoryOf(*item.entry)), this), 0, Qt::AlignLeft);

    auto* text = new PlainTextEditor(Typography::font(13), Palette::ink(), 6, this);
    // Tab moves on: the keyboard alone must reach the buttons around the text.
    text->setTabChangesFocus(true);
    text->setText(item.text);
    text->setReadOnly(true);
    text->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    text->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    text->setAccessibleName(tr("entry text"));
    layout->addWidget(text, 1);
}

} // namespace wendle
