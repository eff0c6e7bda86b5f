// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

class QBoxLayout;

class QComboBox;
class QLabel;

namespace wendle {

class PlainButton;
class SwitchToggle;

/**
 * The settings window's section for writing: the text size, one point at a time between its limits, and spell
 * checking: on or off, and the language among the installed dictionaries. It shows and changes what every
 * writing screen follows, so a change shows at once behind the window.
 */
class WritingSettings : public QWidget
{
    Q_OBJECT

public:
    explicit WritingSettings(QWidget* parent = nullptr);

    PlainButton* smallerButton() const { return m_smaller; }
    PlainButton* largerButton() const { return m_larger; }
    QLabel* textSizeValue() const { return m_value; }
    SwitchToggle* spellingToggle() const { return m_spellingToggle; }
    /** Absent when no dictionary is installed: a note says so in its place. */
    QComboBox* spellingLanguage() const { return m_language; }

private:
    void showTextSize();
    void addSpelling(QBoxLayout* stack);

    PlainButton* m_smaller;
    QLabel* m_value;
    PlainButton* m_larger;
    SwitchToggle* m_spellingToggle = nullptr;
    QComboBox* m_language = nullptr;
};

} // namespace wendle
