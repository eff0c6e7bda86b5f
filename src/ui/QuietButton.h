// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractButton>

namespace wendle {

/**
 * The base of Wendle's own buttons: a pointing-hand cursor, reachable with Tab, and a focus mark that shows
 * only when the keyboard brought focus there (a click or a screen's own focusing shows none).
 */
class QuietButton : public QAbstractButton
{
    Q_OBJECT

public:
    QuietButton(const QString& text, int fontSize, QWidget* parent);

protected:
    bool showsFocusMark() const { return hasFocus() && m_keyboardFocus; }
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    bool m_keyboardFocus = false;
};

} // namespace wendle
