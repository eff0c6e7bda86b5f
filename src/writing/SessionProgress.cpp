// SPDX-License-Identifier: GPL-3.0-or-later
#include "writing/SessionProgress.h"

#include "ui/EnglishPluralForms.h"
#include "ui/FilledButton.h"
#include "ui/Palette.h"
#include "ui/TextLabel.h"
#include "writing/WritingSession.h"

#include <QCoreApplication>
#include <QLabel>

namespace wendle {

void showSessionProgress(const WritingSession& session, QLabel* wordCount, FilledButton* finish)
{
    const qint64 words = session.words();
    const bool done = session.isDone();
    wordCount->setText(QCoreApplication::translate("wendle::SessionProgress", "%n words", nullptr, pluralCount(words)));
    setTextColour(wordCount, done ? Palette::accent() : Palette::muted());
    finish->setText(done ? QCoreApplication::translate("wendle::SessionProgress", "Saved")
                         : QCoreApplication::translate("wendle::SessionProgress", "Done"));
    // Named as it reads, so a screen reader on the button hears it turn to "Saved".
    finish->setAccessibleName(finish->text());
    finish->setColours(done ? Palette::accent() : Palette::ink(), Palette::paper());
    finish->updateGeometry();
}

} // namespace wendle
