// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "journal/EntryKeyStore.h"
#include "ui/QuietButton.h"

#include <QWidget>

class QDateTime;
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
 * into a retry hint after a failed attempt. When the key itself was the trouble, a quiet second line says
 * what happened and what to do, naming the keyring item, and offers the two ways back where there are any.
 */
class LiveLabel;

class LockView : public QWidget
{
    Q_OBJECT

public:
    explicit LockView(QWidget* parent = nullptr);

    void setFailed(bool failed);
    /** Shows why the key could not be had; `none` hides the explanation. */
    void setKeyProblem(KeyProblem problem, KeychainStatus status);

    /** The explanation under the status line, empty while there is none. */
    QString keyProblemText() const;

    /** The date line for `moment` in the user's locale, calendar and time zone; callable from any thread. */
    static QString dateLine(const QDateTime& moment);
    /** The sentence that says what a key problem means and what to do; empty for none. */
    static QString problemSentence(KeyProblem problem);

Q_SIGNALS:
    void unlockRequested();
    void restoreRequested();
    void newKeyRequested();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void refreshDate();

    QLabel* m_date;
    LiveLabel* m_status;
    LiveLabel* m_problem;
    QLabel* m_details;
    QWidget* m_recovery;
    QTimer* m_dateTimer;
};

} // namespace wendle
