// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractButton>
#include <QLabel>
#include <QWidget>

namespace wendle::test {

/** The child of `root` shown with it whose accessible name is `name`, as a screen reader finds it. */
template <typename T = QWidget> T* named(QWidget* root, const QString& name)
{
    for (T* child : root->findChildren<T*>()) {
        if (child->accessibleName() == name && child->isVisibleTo(root)) {
            return child;
        }
    }
    return nullptr;
}

/** Clicks the button of `root` that reads `text`; false when there is none. */
inline bool clickButton(QWidget* root, const QString& text)
{
    for (QAbstractButton* button : root->findChildren<QAbstractButton*>()) {
        if (button->text() == text) {
            button->click();
            return true;
        }
    }
    return false;
}

/** The label of `root` whose text starts with `start`. */
inline QLabel* labelStarting(QWidget* root, const QString& start)
{
    for (QLabel* label : root->findChildren<QLabel*>()) {
        if (label->text().startsWith(start)) {
            return label;
        }
    }
    return nullptr;
}

} // namespace wendle::test
