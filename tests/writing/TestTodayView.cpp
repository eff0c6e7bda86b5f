// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/MonthRecapCard.h"
#include "journal/Preferences.h"
#include "journal/RecoveryCode.h"
#include "journal/RecoveryCodeReminder.h"
#include "journal/TextSize.h"
#include "lock/RecoveryCodeCheckSheet.h"
#include "lock/RecoveryCodeSheet.h"
#include "reminders/WritingSettings.h"
#include "ui/FilledButton.h"
#include "ui/LiveLabel.h"
#include "ui/PlainButton.h"
#include "ui/PlainTextEditor.h"
#include "ui/TextBlock.h"
#include "writing/DocumentWordCount.h"
#include "writing/TodayView.h"

#include "Widgets.h"
#include "WritingJournal.h"

#include <QClipboard>
#include <QDialog>
#include <QLineEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>

using namespace wendle;
using namespace wendle::test;

class TestTodayView : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { setUpWritingTests(m_settings); }
    void init() { m_journal = std::make_unique<WritingJournal>(); }
    void cleanup()
    {
        m_view.reset();
        m_journal.reset();
    }
    void typingIsSavedAndFinishedFromAnywhere();
    void modesAndPromptsShowTheirOwnText();
    void headerFollowsTheLiveText();
    void recapSentenceCountsAsTheLocaleDoes();
    void wordCountFollowsEveryKindOfEdit();
    void longPasteLandsWhole();
    void keyboardAloneReachesEveryControl();
    void textSizeFollowsKeysAndSettings();
    void recoveryCodeCheckWhenDue();
    void snapshotFailureIsAQuietLine();

private:
    TodayView& show(std::unique_ptr<PromptEngine> engine = twoPrompts())
    {
        m_view = std::make_unique<TodayView>(
            *m_journal->store, m_journal->scheduler, m_journal->key, [this] { ++m_historyOpened; }, m_journal->clock,
            std::move(engine));
        showActive(m_view.get());
        return *m_view;
    }
    void type(const QString& text) { QTest::keyClicks(m_view->findChild<PlainTextEditor*>(), text); }

    QTemporaryDir m_settings;
    std::unique_ptr<WritingJournal> m_journal;
    std::unique_ptr<TodayView> m_view;
    int m_historyOpened = 0;
};

void TestTodayView::typingIsSavedAndFinishedFromAnywhere()
{
    m_journal->write("2026-03-05", "freeform", words(12));
    TodayView& view = show();
    auto* editor = view.findChild<PlainTextEditor*>();
    QVERIFY(editor->hasFocus());
    auto* finish = named<FilledButton>(&view, QStringLiteral("Done"));
    QLabel* count = labelStarting(&view, QStringLiteral("0 words"));
    QVERIFY(finish && count);
    type(QStringLiteral("one"));
    QCOMPARE(count->text(), QStringLiteral("1 word"));

    // Ctrl+Return finishes from anywhere in the window: with the day's other 12 words, 8 make it.
    type(QLatin1Char(' ') + words(7));
    QWidget* elsewhere = named<PlainButton>(&view, QStringLiteral("give me another"));
    elsewhere->setFocus(Qt::TabFocusReason);
    QTest::keyClick(elsewhere, Qt::Key_Return, Qt::ControlModifier);
    QCOMPARE(finish->text(), QStringLiteral("Saved"));
    QCOMPARE(finish->accessibleName(), QStringLiteral("Saved")); // heard as it reads
    QCOMPARE(count->text(), QStringLiteral("8 words"));

    // Any change turns it back at once; finishing in the editor types no line break.
    type(QStringLiteral("!"));
    QCOMPARE(finish->text(), QStringLiteral("Done"));
    QTest::keyClick(editor, Qt::Key_Enter, Qt::ControlModifier);
    QCOMPARE(finish->text(), QStringLiteral("Saved"));
    QCOMPARE(m_journal->saved("A"), QStringLiteral("one ") + words(7) + QStringLiteral("!"));

    // The disk is full: finishing cannot write the words, so it must not say "Saved", and the quiet line says why
    // (its wording is checked with the history's reader).
    FailingVfs::setFailing(true);
    type(QStringLiteral(" more"));
    QTest::mouseClick(finish, Qt::LeftButton);
    QCOMPARE(finish->text(), QStringLiteral("Done"));
    QLabel* problem = labelStarting(&view, QStringLiteral("Not saved yet"));
    QVERIFY(problem && problem->isVisible());
}

void TestTodayView::modesAndPromptsShowTheirOwnText()
{
    TodayView& view = show();
    auto* editor = view.findChild<PlainTextEditor*>();
    auto* prompt = view.findChild<TextBlock*>();
    type(QStringLiteral("to the prompt"));
    QTest::mouseClick(named<PlainButton>(&view, QStringLiteral("write freely")), Qt::LeftButton);
    // Free writing: no prompt above the editor, which takes the room (at least 320 high).
    QVERIFY(editor->text().isEmpty() && editor->hasFocus());
    QVERIFY(!named<PlainButton>(&view, QStringLiteral("give me another")));
    QVERIFY(!prompt->isVisibleTo(&view));
    QTRY_VERIFY(editor->height() >= 320);
    type(QStringLiteral("free words"));

    // Each mode and prompt keeps its own entry, and the editor takes up its text.
    QTest::mouseClick(named<PlainButton>(&view, QStringLiteral("back to the prompt")), Qt::LeftButton);
    QCOMPARE(editor->text(), QStringLiteral("to the prompt"));
    QVERIFY(prompt->isVisibleTo(&view));
    QCOMPARE(m_journal->saved("freeform"), QStringLiteral("free words"));
    QCOMPARE(m_journal->entry("freeform")->categoryRaw(), QStringLiteral("pages"));
    view.switchMode(TodayView::Mode::freeform);
    QCOMPARE(editor->text(), QStringLiteral("free words"));
    view.switchMode(TodayView::Mode::prompt);
    QTest::mouseClick(named<PlainButton>(&view, QStringLiteral("give me another")), Qt::LeftButton);
    QCOMPARE(prompt->text(), QStringLiteral("Prompt B"));
    QVERIFY(editor->text().isEmpty() && !m_journal->entry("B"));
    QCOMPARE(m_journal->saved("A"), QStringLiteral("to the prompt"));

    // Without prompts the user is told, and writes freely at once, with no prompt to go back to.
    TodayView& free = show(noPrompts());
    QVERIFY(std::ranges::any_of(free.findChildren<TextBlock*>(), [](TextBlock* block) {
        return block->isVisible()
            && block->text() == QStringLiteral("Prompts could not be loaded — write freely meanwhile.");
    }));
    editor = free.findChild<PlainTextEditor*>();
    QVERIFY(editor->hasFocus() && !editor->isReadOnly());
    QVERIFY(!named<PlainButton>(&free, QStringLiteral("give me another")));
    QVERIFY(!named<PlainButton>(&free, QStringLiteral("back to the prompt")));
}

void TestTodayView::headerFollowsTheLiveText()
{
    m_journal->write("2026-03-03", "A", words(20));
    m_journal->write("2026-03-04", "B", words(25));
    TodayView& view = show();
    auto* day = named<PlainButton>(&view, QStringLiteral("day 2, history"));
    QVERIFY(day);
    type(words(19));
    QCOMPARE(day->text(), QStringLiteral("day 2"));
    type(QStringLiteral(" twenty"));
    QCOMPARE(day->accessibleName(), QStringLiteral("day 3, history")); // before any save
    QVERIFY(!m_journal->entry("A"));

    // The day number saves at once and opens the history.
    QTest::mouseClick(day, Qt::LeftButton);
    QCOMPARE(m_historyOpened, 1);
    QVERIFY(m_journal->entry("A"));

    // Days later the old streak is gone: the live text alone makes day 1, an empty editor day 0.
    m_journal->clock.set(berlin(9, 10));
    QCOMPARE(view.headerDayNumber(), 1);
    view.findChild<PlainTextEditor*>()->clear();
    QCOMPARE(day->text(), QStringLiteral("day 0"));
}

void TestTodayView::recapSentenceCountsAsTheLocaleDoes()
{
    // The sentence groups the total as the locale does, and says "word" for one.
    RecapData recap{QStringLiteral("march"), 3, 31, 1204, std::nullopt, QString(), QString()};
    QCOMPARE(MonthRecapCard::sentence(recap, Calendar::current()),
             QStringLiteral("You wrote 3 of 31 days in march — 1,204 words."));
    QVERIFY(MonthRecapCard::sentence(recap, Calendar::make(QStringLiteral("de_DE"), QStringLiteral("Europe/Berlin")))
                .endsWith(QStringLiteral("— 1.204 words.")));
    recap.totalWords = 1;
    QVERIFY(MonthRecapCard::sentence(recap, Calendar::current()).endsWith(QStringLiteral("— 1 word.")));
}

// Counted paragraph by paragraph, kept across edits, the count must always be the whole text's count.
void TestTodayView::wordCountFollowsEveryKindOfEdit()
{
    PlainTextEditor editor(QFont(), Qt::black, 6);
    const DocumentWordCount words(*editor.document());
    const auto agrees = [&] { return words.count() == countWords(editor.text()); };

    editor.setText(QStringLiteral("one two\nthree\n\n  four  five "));
    QTest::keyClicks(&editor, QStringLiteral(" six"));
    QCOMPARE(words.count(), qint64(6));

    // Splitting a word into two paragraphs, joining them again, and undoing both.
    QTextCursor cursor(editor.document());
    cursor.setPosition(1);
    editor.setTextCursor(cursor);
    QTest::keyClick(&editor, Qt::Key_Return);
    QCOMPARE(words.count(), qint64(7));
    QTest::keyClick(&editor, Qt::Key_Backspace);
    QCOMPARE(words.count(), qint64(6));
    editor.undo();
    QVERIFY(agrees());
    editor.undo();
    QVERIFY(agrees());

    // A line break inside a paragraph, a no-break space, a mark that joins the space before it, CR LF, emoji.
    editor.moveCursor(QTextCursor::End);
    QTest::keyClick(&editor, Qt::Key_Return, Qt::ShiftModifier);
    editor.insertPlainText(QStringLiteral("a\u00A0b \u0301c d\r\ne 👩‍👩‍👧 f"));
    QVERIFY2(agrees(), qPrintable(QString::number(words.count())));

    // Typing the same length into another paragraph is still seen.
    cursor.setPosition(0);
    cursor.insertText(QStringLiteral("x"));
    cursor.setPosition(2);
    cursor.deletePreviousChar();
    QVERIFY(agrees());
    editor.clear();
    QCOMPARE(words.count(), qint64(0));
}

void TestTodayView::longPasteLandsWhole()
{
    PlainTextEditor editor(QFont(), Qt::black, 6);
    const DocumentWordCount words(*editor.document());
    editor.resize(400, 300);
    editor.show();
    editor.setText(QStringLiteral("Before."));
    const QString pasted = QStringLiteral("\nWords from somewhere else, pasted in one go.").repeated(8000);
    QVERIFY(pasted.size() >= PlainTextEditor::steppedLayoutCharacters);
    QApplication::clipboard()->setText(pasted);
    editor.paste();

    // Laid out in steps, it is whole at once, counted, one step to undo, and the view then shows its end.
    QCOMPARE(editor.text(), QStringLiteral("Before.") + pasted);
    QCOMPARE(words.count(), countWords(editor.text()));
    QTRY_VERIFY(editor.verticalScrollBar()->value() > 0 && editor.viewport()->rect().contains(editor.cursorRect()));
    editor.undo();
    QCOMPARE(editor.text(), QStringLiteral("Before."));
}

void TestTodayView::keyboardAloneReachesEveryControl()
{
    m_journal->add(QStringLiteral("2026-02-05"), QStringLiteral("A"), QStringLiteral("February words"), -1,
                   berlin(5, 9).addMonths(-1));
    QVERIFY(m_journal->store->save());
    TodayView& view = show();
    // Last month's recap covers the screen and holds the focus on its one button.
    QVERIFY(view.recap());
    auto* editor = view.findChild<PlainTextEditor*>();
    QVERIFY(!editor->isEnabled() && !named<FilledButton>(&view, QStringLiteral("Done"))->isEnabled());
    auto* begin = named<FilledButton>(&view, QStringLiteral("begin march"));
    QCOMPARE(QApplication::focusWidget(), begin);
    QCOMPARE(begin->text(), QStringLiteral("begin march →"));
    // Ctrl+Return begins the month instead of finishing the day.
    QTest::keyClick(&view, Qt::Key_Return, Qt::ControlModifier);
    QVERIFY(!view.recap() && !view.session().isDone());
    QVERIFY(Preferences().boolValue(QStringLiteral("recap.shown.2026-03")));

    // Tab leaves the editor for the buttons in reading order, then comes round to the header.
    QTRY_VERIFY(editor->isEnabled() && editor->hasFocus());
    QStringList order;
    for (int step = 0; step < 5; ++step) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        order << QApplication::focusWidget()->accessibleName().section(u':', 0, 0);
    }
    QCOMPARE(order,
             (QStringList{QStringLiteral("give me another"), QStringLiteral("write freely"), QStringLiteral("Done"),
                          QStringLiteral("read entry from one month ago · Thursday, February 5"),
                          QStringLiteral("day 0, history")}));
    const int opened = m_historyOpened;
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    QCOMPARE(m_historyOpened, opened + 1);

    // The entry from a month ago opens with Space, and Escape closes it.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    QVERIFY(view.reading());
    auto* reader = view.findChild<QDialog*>();
    showActive(reader); // as a window manager would
    QTest::keyClick(reader->focusWidget(), Qt::Key_Escape);
    QTRY_VERIFY(!view.reading());
}

void TestTodayView::textSizeFollowsKeysAndSettings()
{
    TodayView& view = show();
    auto* editor = view.findChild<PlainTextEditor*>();
    auto* prompt = view.findChild<TextBlock*>();
    auto* done = named<FilledButton>(&view, QStringLiteral("Done"));
    const QFont chrome = done->font();
    const auto sizes = [&] {
        return QList<int>{editor->font().pixelSize(), prompt->font().pixelSize(),
                          qRound(editor->document()->firstBlock().blockFormat().lineHeight())};
    };
    QCOMPARE(sizes(), (QList<int>{13, 18, 6}));
    // Text, prompt and line spacing grow together; the buttons around them keep their size.
    QTest::keyClick(editor, Qt::Key_Equal, Qt::ControlModifier);
    QTest::keyClick(editor, Qt::Key_Plus, Qt::ControlModifier);
    QCOMPARE(sizes(), (QList<int>{15, 21, 7}));
    QCOMPARE(done->font(), chrome);
    QCOMPARE(Preferences().value(PreferenceKeys::textSize), 15);
    QTest::keyClick(editor, Qt::Key_0, Qt::ControlModifier);
    QCOMPARE(sizes(), (QList<int>{13, 18, 6}));

    // The settings window moves the same size, one point at a time and no further than its limits.
    WritingSettings settings;
    for (int step = 0; step < 20; ++step) {
        settings.largerButton()->click();
    }
    QCOMPARE(editor->font().pixelSize(), TextSize::largest);
    QVERIFY(!settings.largerButton()->isEnabled());
    QVERIFY(settings.textSizeValue()->accessibleName().startsWith(QStringLiteral("Text size 28")));
    for (int step = 0; step < 20; ++step) {
        QTest::keyClick(editor, Qt::Key_Minus, Qt::ControlModifier);
    }
    QCOMPARE(editor->font().pixelSize(), TextSize::smallest);
    QVERIFY(!settings.smallerButton()->isEnabled());
    TextSize::shared().reset();
}

void TestTodayView::recoveryCodeCheckWhenDue()
{
    const QDate today(2026, 3, 5);
    Preferences preferences;
    preferences.setValue(PreferenceKeys::recoveryCodeChecked, today.addDays(-90));
    TodayView& view = show();
    const QString linkText = QStringLiteral("Check your recovery code");
    QTest::mouseClick(named<PlainButton>(&view, linkText), Qt::LeftButton);
    auto* sheet = view.findChild<RecoveryCodeCheckSheet*>();
    QVERIFY(sheet && sheet->isVisible() && sheet->isModal());
    QTest::mouseClick(named<PlainButton>(sheet, QStringLiteral("Not now")), Qt::LeftButton);
    QVERIFY(!named<PlainButton>(&view, linkText));
    QCOMPARE(preferences.value(PreferenceKeys::recoveryCodePostponedUntil), today.addDays(30));

    // Thirty days on, the keyboard alone reaches it after the other controls at the foot of the text.
    m_journal->clock.set(m_journal->clock.now().addDays(30));
    TodayView& later = show();
    for (int step = 0; step < 4; ++step) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    QCOMPARE(QApplication::focusWidget(), named<PlainButton>(&later, linkText));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    sheet = later.findChild<RecoveryCodeCheckSheet*>();
    showActive(sheet); // as a window manager would
    auto* result = sheet->findChild<LiveLabel*>();
    // Nothing is said while a code is typed; Return on a part of one, or another journal's code, is not ours.
    const QString notOurs = QStringLiteral("This is not your journal's code — show it again after authenticating");
    QTest::keyClicks(sheet->codeField(), QStringLiteral("7ABC-DEFG"));
    QVERIFY(result->text().isEmpty());
    QTest::keyClick(sheet->codeField(), Qt::Key_Return);
    QCOMPARE(result->text(), notOurs);
    sheet->codeField()->setText(formatRecoveryCode(QByteArray(32, '\x5a')));
    QCOMPARE(result->text(), notOurs);

    // The journal's own code, pasted: said so, remembered, and the link is gone.
    const QByteArray key(reinterpret_cast<const char*>(m_journal->key->data()), m_journal->key->length());
    sheet->codeField()->setText(formatRecoveryCode(key));
    QCOMPARE(result->text(), QStringLiteral("This code opens your journal"));
    QVERIFY(!named<PlainButton>(&later, linkText));
    QCOMPARE(preferences.value(PreferenceKeys::recoveryCodeChecked), today.addDays(30));
    QTest::keyClick(sheet->codeField(), Qt::Key_Escape);
    QTRY_VERIFY(!later.findChild<RecoveryCodeCheckSheet*>());
    QCOMPARE(later.focusWidget(), later.findChild<PlainTextEditor*>()); // the link that had it is gone

    // Showing the code (at key creation, or from the menu) starts the ninety days again too.
    preferences.setValue(PreferenceKeys::recoveryCodeChecked, today.addDays(-400));
    RecoveryCodeSheet(formatRecoveryCode(key), nullptr);
    QCOMPARE(preferences.value(PreferenceKeys::recoveryCodeChecked),
             RecoveryCodeReminder::dateOf(systemClock().now(), Calendar::current()));
}

void TestTodayView::snapshotFailureIsAQuietLine()
{
    TodayView& view = show();
    QVERIFY(!view.snapshotProblemLine()->isVisible());
    view.setSnapshotProblem(QStringLiteral("the disk is full"));
    QVERIFY(view.snapshotProblemLine()->isVisible());
    QCOMPARE(view.snapshotProblemLine()->text(),
             QStringLiteral("Today's snapshot could not be written — the disk is full"));
    // The writing keeps the focus: the line only says it.
    QCOMPARE(QApplication::focusWidget(), view.findChild<PlainTextEditor*>());
    view.setSnapshotProblem({});
    QVERIFY(!view.snapshotProblemLine()->isVisible());
}

QTEST_MAIN(TestTodayView)
#include "TestTodayView.moc"
