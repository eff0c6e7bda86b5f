// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/MonthRecapCard.h"
#include "journal/Clock.h"
#include "journal/Preferences.h"
#include "reminders/ReminderScheduler.h"
#include "ui/FilledButton.h"
#include "ui/Palette.h"
#include "ui/PlainButton.h"
#include "ui/PlainTextEditor.h"
#include "ui/TextBlock.h"
#include "writing/DocumentWordCount.h"
#include "writing/TodayView.h"

#include "FailingVfs.h"
#include "Screens.h"
#include "TempJournal.h"
#include "Widgets.h"

#include <QClipboard>
#include <QElapsedTimer>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCursor>

using namespace wendle;
using namespace wendle::test;

namespace {

PromptEngine::Bank bank()
{
    return {{{QStringLiteral("A"), PromptCategory::memory, QStringLiteral("Prompt A")},
             {QStringLiteral("B"), PromptCategory::future, QStringLiteral("Prompt B")},
             {QStringLiteral("C"), PromptCategory::gratitude, QStringLiteral("Prompt C")}}};
}

QColor colourOf(const QLabel* label)
{
    return label->palette().color(QPalette::WindowText);
}

} // namespace

class TestTodayView : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void savesOnceAfterTypingPauses();
    void newJournalDayAtThree();
    void eachModeAndPromptKeepsItsText();
    void unreadableEntryIsKeptAside();
    void dayIsDoneAtTwentyWordsAcrossEntries();
    void headerFollowsTheLiveText();
    void ctrlReturnFinishesFromAnywhere();
    void recapCoversTheScreenUntilBegun();
    void noPromptWritesFreelyAtOnce();
    void unsavedWritingIsNeverCalledSaved();
    void wordCount_data();
    void wordCount();
    void wordCountFollowsEveryKindOfEdit();
    void longPasteLandsWhole();

private:
    TodayView& show(PromptEngine::Bank prompts = bank());
    void type(const QString& text) { QTest::keyClicks(m_view->findChild<PlainTextEditor*>(), text); }
    Entry* entry(const char* promptID, const char* dayKey = "2026-03-05") const
    {
        return m_journal->store->firstEntry(QString::fromLatin1(dayKey), QString::fromLatin1(promptID));
    }
    /** The text saved for a prompt: "<none>" without an entry, "<unreadable>" when it does not open. */
    QString saved(const char* promptID, const char* dayKey = "2026-03-05") const
    {
        const Entry* found = entry(promptID, dayKey);
        if (!found || !opensUnder(found->cipherBody(), *m_journal->key)) {
            return found ? QStringLiteral("<unreadable>") : QStringLiteral("<none>");
        }
        return openEntryText(found->cipherBody(), *m_journal->key);
    }
    void add(const char* dayKey, const char* promptID, const QString& text, const EntryKey* key = nullptr)
    {
        m_journal->add(QString::fromLatin1(dayKey), QString::fromLatin1(promptID), text, -1, {}, key);
        QVERIFY(m_journal->store->save());
    }

    QTemporaryDir m_settings;
    std::unique_ptr<TempJournal> m_journal;
    std::unique_ptr<ReminderScheduler> m_scheduler;
    ManualClock m_clock{berlin(5, 10)};
    std::unique_ptr<TodayView> m_view;
    int m_historyOpened = 0;
};

void TestTodayView::initTestCase()
{
    FailingVfs::install();
    liveInBerlin();
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settings.path());
}

void TestTodayView::init()
{
    QSettings(QStringLiteral("wendle"), QStringLiteral("wendle")).clear();
    FailingVfs::setFailing(false);
    m_journal = std::make_unique<TempJournal>();
    m_scheduler = std::make_unique<ReminderScheduler>();
    m_clock.set(berlin(5, 10));
    m_historyOpened = 0;
}

void TestTodayView::cleanup()
{
    m_view.reset();
    m_journal.reset();
}

TodayView& TestTodayView::show(PromptEngine::Bank prompts)
{
    m_view = std::make_unique<TodayView>(
        *m_journal->store, *m_scheduler, m_journal->key, [this] { ++m_historyOpened; }, m_clock,
        std::make_unique<PromptEngine>(std::move(prompts)));
    showActive(m_view.get());
    return *m_view;
}

void TestTodayView::savesOnceAfterTypingPauses()
{
    TodayView& view = show();
    QCOMPARE(view.session().prompt()->id, QStringLiteral("A"));
    QVERIFY(view.findChild<PlainTextEditor*>()->hasFocus());

    // Keys every 300 ms for two seconds: no pause is long enough to save, unless a loaded machine stretches
    // one past a second.
    QSignalSpy changes(m_journal->store.get(), &EntryStore::changed);
    for (int i = 0; i < 7; ++i) {
        type(QStringLiteral("go "));
        QElapsedTimer gap;
        gap.start();
        const qsizetype saves = changes.count();
        QTest::qWait(300);
        QVERIFY2(changes.count() == saves || gap.elapsed() >= 1000, "saved before a second's pause");
    }

    // The pause saves what was typed, and nothing is saved again while nothing changes.
    const QString typed = QStringLiteral("go go go go go go go ");
    QTRY_COMPARE_WITH_TIMEOUT(saved("A"), typed, 5000);
    const qsizetype saves = changes.count();
    QTest::qWait(1200);
    QCOMPARE(changes.count(), saves);
    QCOMPARE(m_journal->store->entries().size(), std::size_t(1));
    QVERIFY(!m_journal->store->hasUnsavedChanges());
    QCOMPARE(entry("A")->creditedWords(), 7);
    QCOMPARE(entry("A")->categoryRaw(), QStringLiteral("memory"));
}

void TestTodayView::newJournalDayAtThree()
{
    m_clock.set(berlin(6, 2, 58));
    show();
    type(QStringLiteral("before three"));
    QTRY_VERIFY_WITH_TIMEOUT(entry("A"), 3000);

    // Typing at 02:59, saved after 03:00: the text goes to the new day's entry.
    m_clock.set(berlin(6, 2, 59, 30));
    type(QStringLiteral(" and after"));
    m_clock.set(berlin(6, 3, 0, 1));
    QTRY_COMPARE_WITH_TIMEOUT(saved("A", "2026-03-06"), QStringLiteral("before three and after"), 3000);
    QCOMPARE(saved("A"), QStringLiteral("before three"));
}

void TestTodayView::eachModeAndPromptKeepsItsText()
{
    TodayView& view = show();
    type(QStringLiteral("to the prompt"));
    QTest::mouseClick(named<PlainButton>(&view, QStringLiteral("write freely")), Qt::LeftButton);
    QCOMPARE(view.session().mode(), TodayView::Mode::freeform);
    QCOMPARE(view.session().text(), QString());
    // Free writing: no prompt above the editor, which takes the room (at least 320 high).
    auto* editor = view.findChild<PlainTextEditor*>();
    QVERIFY(editor->hasFocus());
    QVERIFY(!named<PlainButton>(&view, QStringLiteral("give me another")));
    QVERIFY(!view.findChild<TextBlock*>()->isVisibleTo(&view));
    QTRY_VERIFY(editor->height() >= 320);
    type(QStringLiteral("free words"));

    QTest::mouseClick(named<PlainButton>(&view, QStringLiteral("back to the prompt")), Qt::LeftButton);
    QCOMPARE(view.session().text(), QStringLiteral("to the prompt"));
    QVERIFY(view.findChild<TextBlock*>()->isVisibleTo(&view));
    QCOMPARE(saved("freeform"), QStringLiteral("free words"));
    QCOMPARE(entry("freeform")->categoryRaw(), QStringLiteral("pages"));

    view.switchMode(TodayView::Mode::freeform);
    QCOMPARE(view.session().text(), QStringLiteral("free words"));

    // Another prompt starts empty; the text written to the first stays with it.
    view.switchMode(TodayView::Mode::prompt);
    QTest::mouseClick(named<PlainButton>(&view, QStringLiteral("give me another")), Qt::LeftButton);
    QCOMPARE(view.session().prompt()->id, QStringLiteral("B"));
    QCOMPARE(view.session().text(), QString());
    QCOMPARE(saved("A"), QStringLiteral("to the prompt"));
    QVERIFY(!entry("B"));
}

void TestTodayView::unreadableEntryIsKeptAside()
{
    const auto lostKey = EntryKey::random();
    add("2026-03-05", "A", QStringLiteral("written under a lost key"), lostKey.get());
    const QByteArray unreadable = entry("A")->cipherBody();

    // Shown empty, and never saved over until the user writes.
    TodayView& view = show();
    QCOMPARE(view.session().text(), QString());
    QTest::qWait(1200);
    QCOMPARE(entry("A")->cipherBody(), unreadable);

    type(QStringLiteral("fresh"));
    QTRY_COMPARE_WITH_TIMEOUT(saved("A"), QStringLiteral("fresh"), 3000);
    QCOMPARE(m_journal->store->displacedBodies().size(), std::size_t(1));
}

void TestTodayView::dayIsDoneAtTwentyWordsAcrossEntries()
{
    add("2026-03-05", "freeform", words(12));
    TodayView& view = show();
    auto* finish = named<FilledButton>(&view, QStringLiteral("Done"));
    QLabel* count = labelStarting(&view, QStringLiteral("0 words"));
    QVERIFY(finish && count);
    type(QStringLiteral("one"));
    QCOMPARE(count->text(), QStringLiteral("1 word"));

    type(QLatin1Char(' ') + words(6));
    QTest::mouseClick(finish, Qt::LeftButton);
    QCOMPARE(finish->text(), QStringLiteral("Done"));
    QCOMPARE(colourOf(count), Palette::muted());
    QVERIFY(!m_scheduler->completedDays().contains(QStringLiteral("2026-03-05")));

    type(QStringLiteral(" last"));
    QTest::mouseClick(finish, Qt::LeftButton);
    QCOMPARE(finish->text(), QStringLiteral("Saved"));
    QCOMPARE(count->text(), QStringLiteral("8 words"));
    QCOMPARE(colourOf(count), Palette::accent());
    QVERIFY(m_scheduler->completedDays().contains(QStringLiteral("2026-03-05")));

    // Any change turns it back at once.
    type(QStringLiteral("!"));
    QCOMPARE(finish->text(), QStringLiteral("Done"));
    QCOMPARE(colourOf(count), Palette::muted());

    // An empty editor loads as "Done", but finishing counts the day's other 20 words and saves nothing.
    QTest::mouseClick(named<PlainButton>(&view, QStringLiteral("give me another")), Qt::LeftButton);
    QCOMPARE(finish->text(), QStringLiteral("Done"));
    QTest::mouseClick(finish, Qt::LeftButton);
    QCOMPARE(finish->text(), QStringLiteral("Saved"));
    QVERIFY(!entry("B"));
}

void TestTodayView::headerFollowsTheLiveText()
{
    add("2026-03-03", "A", words(20));
    add("2026-03-04", "B", words(25));
    TodayView& view = show();
    auto* day = named<PlainButton>(&view, QStringLiteral("history"));
    QCOMPARE(day->text(), QStringLiteral("day 2"));
    type(words(19));
    QCOMPARE(day->text(), QStringLiteral("day 2"));
    type(QStringLiteral(" twenty"));
    QCOMPARE(day->text(), QStringLiteral("day 3")); // before any save
    QVERIFY(!entry("A"));

    // The day number saves at once and opens the history.
    QTest::mouseClick(day, Qt::LeftButton);
    QCOMPARE(m_historyOpened, 1);
    QVERIFY(entry("A"));

    // Days later the old streak is gone: the live text alone makes day 1, an empty editor day 0.
    m_clock.set(berlin(9, 10));
    QCOMPARE(view.headerDayNumber(), 1);
    view.findChild<PlainTextEditor*>()->clear();
    QCOMPARE(day->text(), QStringLiteral("day 0"));
}

void TestTodayView::ctrlReturnFinishesFromAnywhere()
{
    TodayView& view = show();
    type(words(20));
    QWidget* elsewhere = named<PlainButton>(&view, QStringLiteral("give me another"));
    elsewhere->setFocus(Qt::TabFocusReason);
    QTest::keyClick(elsewhere, Qt::Key_Return, Qt::ControlModifier);
    QVERIFY(view.session().isDone());
    QCOMPARE(saved("A"), words(20)); // no line break was typed

    type(QStringLiteral(" more"));
    QTest::keyClick(view.findChild<PlainTextEditor*>(), Qt::Key_Enter, Qt::ControlModifier);
    QVERIFY(view.session().isDone());
    QCOMPARE(saved("A"), words(20) + QStringLiteral(" more"));
}

void TestTodayView::recapCoversTheScreenUntilBegun()
{
    add("2026-02-10", "A", QStringLiteral("February\nwords"));
    TodayView& view = show();
    QVERIFY(view.recap());
    auto* editor = view.findChild<PlainTextEditor*>();
    QVERIFY(!editor->isEnabled());
    QVERIFY(!editor->hasFocus());
    QVERIFY(!named<FilledButton>(&view, QStringLiteral("Done"))->isEnabled());

    // Ctrl+Return begins the month instead of finishing the day.
    auto* begin = named<FilledButton>(&view, QStringLiteral("begin march"));
    QVERIFY(begin);
    QCOMPARE(begin->text(), QStringLiteral("begin march →"));
    QTest::keyClick(&view, Qt::Key_Return, Qt::ControlModifier);
    QVERIFY(!view.recap());
    QVERIFY(Preferences().boolValue(QStringLiteral("recap.shown.2026-03")));
    QVERIFY(editor->isEnabled());
    QTRY_VERIFY(editor->hasFocus());
    QVERIFY(!view.session().isDone());

    // The sentence groups the total as the locale does, and says "word" for one.
    RecapData recap{QStringLiteral("march"), 3, 31, 1204, std::nullopt, QString(), QString()};
    QCOMPARE(MonthRecapCard::sentence(recap, Calendar::current()),
             QStringLiteral("You wrote 3 of 31 days in march — 1,204 words."));
    QVERIFY(MonthRecapCard::sentence(recap, Calendar::make(QStringLiteral("de_DE"), QStringLiteral("Europe/Berlin")))
                .endsWith(QStringLiteral("— 1.204 words.")));
    recap.totalWords = 1;
    QVERIFY(MonthRecapCard::sentence(recap, Calendar::current()).endsWith(QStringLiteral("— 1 word.")));
}

void TestTodayView::noPromptWritesFreelyAtOnce()
{
    TodayView& view = show(PromptEngine::Bank{});
    QVERIFY(!view.session().prompt());
    // The user is told, and writes freely straight away, with no prompt to go back to.
    QVERIFY(std::ranges::any_of(view.findChildren<TextBlock*>(), [](TextBlock* block) {
        return block->isVisible()
            && block->text() == QStringLiteral("Prompts could not be loaded — write freely meanwhile.");
    }));
    QCOMPARE(view.session().mode(), TodayView::Mode::freeform);
    auto* editor = view.findChild<PlainTextEditor*>();
    QVERIFY(editor->hasFocus() && !editor->isReadOnly());
    QVERIFY(!named<PlainButton>(&view, QStringLiteral("give me another")));
    QVERIFY(!named<PlainButton>(&view, QStringLiteral("back to the prompt")));
    type(QStringLiteral("free"));
    QTRY_COMPARE_WITH_TIMEOUT(saved("freeform"), QStringLiteral("free"), 3000);
}

void TestTodayView::unsavedWritingIsNeverCalledSaved()
{
    TodayView& view = show();
    auto* finish = named<FilledButton>(&view, QStringLiteral("Done"));
    QVERIFY(finish);
    // The disk is full: finishing a day of 25 words cannot write them, so it must not say "Saved".
    FailingVfs::setFailing(true);
    type(words(25));
    QTest::mouseClick(finish, Qt::LeftButton);
    QCOMPARE(finish->text(), QStringLiteral("Done"));
    QLabel* problem = labelStarting(&view, QStringLiteral("Not saved yet"));
    QVERIFY(problem && problem->isVisible());
    QCOMPARE(problem->text(), QStringLiteral("Not saved yet — the disk is full. Wendle keeps trying."));
    QCOMPARE(colourOf(problem), Palette::muted());
    // Nor does the screen, shown again, call them saved.
    view.hide();
    view.show();
    QCOMPARE(finish->text(), QStringLiteral("Done"));

    // Space comes back: the text reaches the file without another keystroke, and the line goes.
    FailingVfs::setFailing(false);
    QTRY_VERIFY_WITH_TIMEOUT(!m_journal->store->hasUnsavedChanges(), EntryStore::retryMilliseconds + 1000);
    QVERIFY(!problem->isVisible());
    QCOMPARE(saved("A"), words(25));
    // The Done that was pressed becomes "Saved" of itself.
    QCOMPARE(finish->text(), QStringLiteral("Saved"));
}

void TestTodayView::wordCount_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint64>("words");

    QTest::newRow("empty") << QString() << qint64(0);
    QTest::newRow("white space only") << QStringLiteral(" \t\n\u2029\u00A0") << qint64(0);
    QTest::newRow("space, tab, line break") << QStringLiteral("   one two\tthree\n") << qint64(3);
    QTest::newRow("em dash joins") << QStringLiteral("well\u2014then") << qint64(1);
    QTest::newRow("no-break space separates") << QStringLiteral("a\u00A0b") << qint64(2);
    QTest::newRow("other Unicode spaces") << QStringLiteral("a\u2003b\u3000c\u2028d\u0085e\u202Ff") << qint64(6);
    QTest::newRow("zero-width space is not white space") << QStringLiteral("a\u200Bb") << qint64(1);
    QTest::newRow("CRLF") << QStringLiteral("one\r\ntwo\r\n") << qint64(2);
    // A combining mark on a space makes one user-perceived character that starts with white space.
    QTest::newRow("combining mark on a space") << QStringLiteral("a \u0301 b") << qint64(2);
    QTest::newRow("Japanese without spaces") << QStringLiteral("今日は良い天気") << qint64(1);
}

void TestTodayView::wordCount()
{
    QFETCH(QString, text);
    QFETCH(qint64, words);
    QCOMPARE(countWords(text), words);
    // Counted paragraph by paragraph in the editor, the same text gives the whole text's count.
    PlainTextEditor editor(QFont(), Qt::black, 6);
    const DocumentWordCount counted(*editor.document());
    editor.setText(text);
    QCOMPARE(counted.count(), countWords(editor.text()));
}

// Counted paragraph by paragraph, kept across edits, the count must always be the whole text's count.
void TestTodayView::wordCountFollowsEveryKindOfEdit()
{
    PlainTextEditor editor(QFont(), Qt::black, 6);
    const DocumentWordCount words(*editor.document());
    const auto agrees = [&] { return words.count() == countWords(editor.text()); };

    editor.setText(QStringLiteral("one two\nthree\n\n  four  five "));
    QCOMPARE(words.count(), qint64(5));
    QTest::keyClicks(&editor, QStringLiteral(" six"));
    QCOMPARE(words.count(), qint64(6));

    // Splitting a word into two paragraphs, joining them again, and undoing both.
    QTextCursor cursor(editor.document());
    cursor.setPosition(1);
    editor.setTextCursor(cursor);
    QTest::keyClick(&editor, Qt::Key_Return);
    QCOMPARE(words.count(), qint64(7));
    QVERIFY(agrees());
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

QTEST_MAIN(TestTodayView)
#include "TestTodayView.moc"
