// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "history/MonthRecap.h"

#include <QWidget>

class QShortcut;

namespace wendle {

class FilledButton;
class TextBlock;

/**
 * The month recap over the whole Today screen: how many days of last month were written, its words, a line
 * from its longest entry, and the one button that dismisses it ("begin april →", also Ctrl+Return).
 */
class MonthRecapCard : public QWidget
{
    Q_OBJECT

public:
    explicit MonthRecapCard(QWidget* parent = nullptr);

    void setRecap(const RecapData& recap);

    /** The sentence: "You wrote 3 of 31 days in march — 1,204 words." */
    static QString sentence(const RecapData& recap, const Calendar& calendar);

Q_SIGNALS:
    void begin();

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    TextBlock* m_sentence;
    TextBlock* m_line;
    QWidget* m_lineGap;
    FilledButton* m_begin;
    QList<QShortcut*> m_shortcuts;
};

} // namespace wendle
