// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

class QLabel;

namespace wendle {

class PlainButton;

/**
 * The settings window's section for writing: the text size, one point at a time between its limits. It shows
 * and changes the one size every writing screen follows, so a change shows at once behind the window.
 */
class WritingSettings : public QWidget
{
    Q_OBJECT

public:
    explicit WritingSettings(QWidget* parent = nullptr);

    PlainButton* smallerButton() const { return m_smaller; }
    PlainButton* largerButton() const { return m_larger; }
    QLabel* textSizeValue() const { return m_value; }

private:
    void showTextSize();

    PlainButton* m_smaller;
    QLabel* m_value;
    PlainButton* m_larger;
};

} // namespace wendle
