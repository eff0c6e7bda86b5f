// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QElapsedTimer>
#include <QWidget>

namespace wendle {

class TrayEntryView;

/**
 * The window the tray item opens: frameless, above other windows, placed next to the tray icon (or the
 * pointer) and kept on screen. It closes on Escape, when it loses focus, and on a second `toggle`; closing
 * saves what the panel still has pending.
 */
class TrayPanel : public QWidget
{
    Q_OBJECT

public:
    /** Takes `view` as its content. */
    explicit TrayPanel(TrayEntryView* view);

    TrayEntryView* view() const { return m_view; }

    /** Opens next to `icon` (the pointer when the desktop gives no icon geometry), or closes if open. */
    void toggle(const QRect& icon);

    /** Where a panel of `size` goes: below an icon at the top of `screen`, above one at the bottom, inside. */
    static QPoint placement(const QSize& size, const QRect& icon, const QPoint& pointer, const QRect& screen);

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    TrayEntryView* m_view;
    QElapsedTimer m_lostFocus;
};

} // namespace wendle
