// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

#include <functional>

class QLineEdit;

namespace wendle {

class LiveLabel;
class PlainButton;

/**
 * Asks for the recovery code the user keeps and says at once whether it opens this journal: checked when a
 * whole code is typed or pasted, or on Return. The sheet never holds the key; `matches` is asked at the moment
 * of each check. Escape closes it and leaves the reminder as it was.
 */
class RecoveryCodeCheckSheet : public QDialog
{
    Q_OBJECT

public:
    /** Whether a typed code is this journal's. */
    using Matcher = std::function<bool(const QString& typed)>;

    RecoveryCodeCheckSheet(Matcher matches, QWidget* parent);
    ~RecoveryCodeCheckSheet() override;

    QLineEdit* codeField() const { return m_field; }

Q_SIGNALS:
    /** The code opens the journal; said once. */
    void confirmed();
    /** "Not now": the user asks to be reminded later. The sheet closes. */
    void postponed();

private:
    void check(bool submitted);

    Matcher m_matches;
    QLineEdit* m_field;
    LiveLabel* m_result;
    PlainButton* m_notNow;
    bool m_confirmed = false;
};

} // namespace wendle
