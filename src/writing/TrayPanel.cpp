// SPDX-License-Identifier: GPL-3.0-or-later
#include "writing/TrayPanel.h"

#include "ui/Palette.h"
#include "writing/TrayEntryView.h"

#include <QCursor>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QVBoxLayout>

namespace wendle {

namespace {
constexpr int kGap = 4;
constexpr qint64 kReopenDelayMilliseconds = 300;
} // namespace

TrayPanel::TrayPanel(TrayEntryView* view)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
    , m_view(view)
{
    setWindowTitle(QStringLiteral("wendle"));
    // A hairline round the paper, since no window frame sets the panel off from what lies behind it.
    QPalette edge = palette();
    edge.setColor(QPalette::Window, Palette::hairline());
    setPalette(edge);
    setAutoFillBackground(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(1, 1, 1, 1);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(view);
}

void TrayPanel::toggle(const QRect& icon)
{
    // A click on the icon first takes the focus from the open panel: that click closed it, and opens nothing.
    const bool justClosed = m_lostFocus.isValid() && m_lostFocus.elapsed() < kReopenDelayMilliseconds;
    if (isVisible() || justClosed) {
        m_lostFocus.invalidate();
        hide();
        return;
    }
    const QPoint pointer = QCursor::pos();
    const QPoint anchor = icon.isValid() ? icon.center() : pointer;
    QScreen* screen = QGuiApplication::screenAt(anchor);
    if (!screen) {
        screen = QGuiApplication::primaryScreen();
    }
    adjustSize();
    move(placement(sizeHint(), icon, pointer, screen->availableGeometry()));
    show();
    raise();
    activateWindow();
}

QPoint TrayPanel::placement(const QSize& size, const QRect& icon, const QPoint& pointer, const QRect& screen)
{
    const QRect anchor = icon.isValid() ? icon : QRect(pointer, QSize(1, 1));
    // Under an anchor in the upper half of the screen, over one in the lower half, centred on it across.
    const bool below = anchor.center().y() < screen.center().y();
    QPoint at(anchor.center().x() - size.width() / 2,
              below ? anchor.bottom() + 1 + kGap : anchor.top() - kGap - size.height());
    at.setX(std::clamp(at.x(), screen.left(), std::max(screen.left(), screen.right() + 1 - size.width())));
    at.setY(std::clamp(at.y(), screen.top(), std::max(screen.top(), screen.bottom() + 1 - size.height())));
    return at;
}

bool TrayPanel::event(QEvent* event)
{
    // Clicking anywhere else puts the panel away, as a menu would.
    if (event->type() == QEvent::WindowDeactivate && isVisible()) {
        m_lostFocus.start();
        hide();
    }
    return QWidget::event(event);
}

void TrayPanel::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        hide();
        return;
    }
    QWidget::keyPressEvent(event);
}

void TrayPanel::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    m_view->session().flushPendingSave();
}

} // namespace wendle
