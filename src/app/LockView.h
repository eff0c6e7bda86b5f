// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/QuietButton.h"

#include <QWidget>

class QLabel;
class QSequentialAnimationGroup;
class QTimer;

namespace wendle {

/** The round unlock button: a fingerprint symbol in a 64 × 64 frame with a thin ring that breathes. */
class UnlockButton : public QuietButton
{
    Q_OBJECT

public:
    explicit UnlockButton(QWidget* parent = nullptr);

    QSize sizeHint() const override;
    /** 0 at rest (scale 1, opacity 0.8), 1 fully out (scale 1.18, opacity 0). */
    qreal breath() const { return m_breath; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    qreal m_breath = 0;
    QSequentialAnimationGroup* m_breathing;
};

/**
 * The locked journal: its spaced-out name, today's date, the unlock button and one status line that turns
 * into a retry hint after a failed attempt.
 */
class LockView : public QWidget
{
    Q_OBJECT

public:
    explicit LockView(QWidget* parent = nullptr);

    void setFailed(bool failed);

Q_SIGNALS:
    void unlockRequested();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void refreshDate();

    QLabel* m_date;
    QLabel* m_status;
    QTimer* m_dateTimer;
};

} // namespace wendle
