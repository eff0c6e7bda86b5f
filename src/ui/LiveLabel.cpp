// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/LiveLabel.h"

#include "ui/TextLabel.h"
#include "ui/Typography.h"

#include <QAccessible>
#include <QAccessibleWidget>

namespace wendle {

namespace {

/**
 * Orca (and the AT-SPI clients that follow it) speaks an object of the notification role whenever it is
 * shown, wherever the focus is; a name change it speaks only on the focused object, and a status bar or an
 * alert message only when asked. So the line is a notification, and a change of text says "shown" again.
 */
class LiveLabelAccessible : public QAccessibleWidget
{
public:
    explicit LiveLabelAccessible(LiveLabel* label)
        : QAccessibleWidget(label, QAccessible::Notification)
    {
    }

    QString text(QAccessible::Text t) const override
    {
        const QString own = QAccessibleWidget::text(t);
        return t == QAccessible::Name && own.isEmpty() ? static_cast<QLabel*>(widget())->text() : own;
    }
};

QAccessibleInterface* liveLabelAccessible(const QString&, QObject* object)
{
    auto* label = qobject_cast<LiveLabel*>(object);
    return label ? new LiveLabelAccessible(label) : nullptr;
}

} // namespace

LiveLabel::LiveLabel(int size, const QColor& colour, QWidget* parent)
    : QLabel(parent)
{
    [[maybe_unused]] static const bool installed = [] {
        QAccessible::installFactory(liveLabelAccessible);
        return true;
    }();
    setFont(Typography::font(size));
    setTextColour(this, colour);
}

void LiveLabel::announce(const QString& text)
{
    if (text == QLabel::text()) {
        return;
    }
    setText(text); // tells assistive technology the name changed
    // A hidden line is announced by Qt itself once it is shown.
    if (!text.isEmpty() && isVisible()) {
        QAccessibleEvent shown(this, QAccessible::ObjectShow);
        QAccessible::updateAccessibility(&shown);
    }
}

} // namespace wendle
