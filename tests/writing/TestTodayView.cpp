// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/MonthRecapCard.h"
#include "journal/Clock.h"
#include "journal/EntryCrypto.h"
#include "journal/EntryStore.h"
#include "journal/Preferences.h"
#include "journal/WordCount.h"
#include "reminders/ReminderScheduler.h"
#include "ui/FilledButton.h"
#include "ui/Palette.h"
#include "ui/PlainButton.h"
#include "ui/PlainTextEditor.h"
#include "ui/TextBlock.h"
#include "writing/TodayView.h"

#include "../journal/FailingVfs.h"
#include "TempJournal.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>

using namespace wendle;
using wendle::test::words;

namespace {

QDateTime berlin(int day, int hour, int minute = 0, int second = 0)
{
    return QDateTime(QDate(2026, 3, day), QTime(hour, minute, second), QTimeZone("Europe/Berlin")).toUTC();
}

PromptEngine::Bank bank()
{
    return {{{QStringLiteral("A"), PromptCategory::memory, QStringLiteral("Prompt A")},
             {QStringLiteral("B"), PromptCategory::future, QStringLiteral("Prompt B")},
             {QStringLiteral("C"), PromptCategory::gratitude, QStringLiteral("Prompt C")}}};
}

template <typename T> T* named(QWidget* root, const QString& name)
{
    for (T* child : root->findChildren<T*>()) {
        if (child->accessibleName() == name && child->isVisibleTo(root)) {
            return child;
        }
    }
    return nullptr;
}

/** The word count under the editor. */
QLabel* wordCount(QWidget* view)
{
    const QRegularExpression count(QStringLiteral("^\\d+ words?$"));
    for (QLabel* label : view->findChildren<QLabel*>()) {
        if (count.match(label->text()).hasMatch()) {
            return label;
        }
    }
    return nullptr;
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
    void noPromptStoresNothingButFreeWriting();
    void pendingSaveOutlivesTheScreen();
    void unsavedWritingIsNeverCalledSaved();

private:
    TodayView& show(PromptEngine::Bank prompts = bank());
    void type(const QString& text);
    Entry* entry(const QString& dayKey, const QString& promptID) const { return m_store->firstEntry(dayKey, promptID); }
    QString textOf(const Entry* entry) const { return openEntryText(entry->cipherBody(), *m_key); }
    void add(const QString& dayKey, const QString& promptID, const QString& text, const EntryKey* key = nullptr);

    QTemporaryDir m_settings;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<EntryStore> m_store;
    std::unique_ptr<ReminderScheduler> m_scheduler;
    std::shared_ptr<const EntryKey> m_key = EntryKey::random();
    ManualClock m_clock{berlin(5, 10)};
    std::unique_ptr<TodayView> m_view;
    int m_historyOpened = 0;
};

void TestTodayView::initTestCase()
{
    test::FailingVfs::install();
    qputenv("TZ", "Europe/Berlin");
    qputenv("LC_ALL", "en_US.UTF-8");
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settings.path());
}

void TestTodayView::init()
{
    QSettings(QStringLiteral("wendle"), QStringLiteral("wendle")).clear();
    test::FailingVfs::setFailing(false);
    m_dir = std::make_unique<QTemporaryDir>();
    QString error;
    m_store = EntryStore::open(m_dir->filePath(QStringLiteral("journal.sqlite")), &error);
    QVERIFY2(m_store, qPrintable(error));
    m_scheduler = std::make_unique<ReminderScheduler>();
    m_clock.set(berlin(5, 10));
    m_historyOpened = 0;
}

void TestTodayView::cleanup()
{
    m_view.reset();
    m_store.reset();
}

TodayView& TestTodayView::show(PromptEngine::Bank prompts)
{
    m_view = std::make_unique<TodayView>(
        *m_store, *m_scheduler, m_key, [this] { ++m_historyOpened; }, m_clock,
        std::make_unique<PromptEngine>(std::move(prompts)));
    m_view->show();
    // Without a window manager nothing activates windows; do what one would.
    QApplication::setActiveWindow(m_view.get());
    if (!QTest::qWaitForWindowExposed(m_view.get())) {
        qWarning("the window was not shown");
    }
    return *m_view;
}

void TestTodayView::type(const QString& text)
{
    QWidget* editor = m_view->findChild<PlainTextEditor*>();
    QVERIFY(editor);
    QTest::keyClicks(editor, text);
}

void TestTodayView::add(const QString& dayKey, const QString& promptID, const QString& text, const EntryKey* key)
{
    m_store->insert({m_clock.now(), dayKey, promptID, QStringLiteral("memory"),
                     sealEntryText(text, key ? *key : *m_key), countWords(text)});
    QVERIFY(m_store->save());
}

void TestTodayView::savesOnceAfterTypingPauses()
{
    TodayView& view = show();
    QCOMPARE(view.prompt()->id, QStringLiteral("A"));
    QVERIFY(view.findChild<PlainTextEditor*>()->hasFocus());

    // Keys every 300 ms for two seconds: no pause is long enough to save, unless a loaded machine stretches
    // one past a second.
    QSignalSpy changes(m_store.get(), &EntryStore::changed);
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
    QTRY_VERIFY_WITH_TIMEOUT(entry(QStringLiteral("2026-03-05"), QStringLiteral("A"))
                                 && textOf(entry(QStringLiteral("2026-03-05"), QStringLiteral("A"))) == typed,
                             5000);
    const qsizetype saves = changes.count();
    QTest::qWait(1200);
    QCOMPARE(changes.count(), saves);
    QCOMPARE(m_store->entries().size(), std::size_t(1));
    QVERIFY(!m_store->hasUnsavedChanges());

    // What is in the file opens to what was typed.
    m_view.reset();
    m_store.reset();
    QString error;
    m_store = EntryStore::open(m_dir->filePath(QStringLiteral("journal.sqlite")), &error);
    const Entry* saved = entry(QStringLiteral("2026-03-05"), QStringLiteral("A"));
    QVERIFY(saved);
    QCOMPARE(textOf(saved), typed);
    QCOMPARE(saved->creditedWords(), 7);
    QCOMPARE(saved->categoryRaw(), QStringLiteral("memory"));
}

void TestTodayView::newJournalDayAtThree()
{
    m_clock.set(berlin(6, 2, 58));
    show();
    type(QStringLiteral("before three"));
    QTRY_VERIFY_WITH_TIMEOUT(entry(QStringLiteral("2026-03-05"), QStringLiteral("A")), 3000);

    // Typing at 02:59, saved after 03:00: the text goes to the new day's entry.
    m_clock.set(berlin(6, 2, 59, 30));
    type(QStringLiteral(" and after"));
    m_clock.set(berlin(6, 3, 0, 1));
    QTRY_VERIFY_WITH_TIMEOUT(entry(QStringLiteral("2026-03-06"), QStringLiteral("A")), 3000);
    QCOMPARE(textOf(entry(QStringLiteral("2026-03-06"), QStringLiteral("A"))),
             QStringLiteral("before three and after"));
    QCOMPARE(textOf(entry(QStringLiteral("2026-03-05"), QStringLiteral("A"))), QStringLiteral("before three"));
}

void TestTodayView::eachModeAndPromptKeepsItsText()
{
    TodayView& view = show();
    type(QStringLiteral("to the prompt"));
    QTest::mouseClick(named<PlainButton>(&view, QStringLiteral("write freely")), Qt::LeftButton);
    QCOMPARE(view.mode(), TodayView::Mode::freeform);
    QCOMPARE(view.text(), QString());
    // Free writing: no prompt above the editor, which takes the room (at least 320 high).
    auto* editor = view.findChild<PlainTextEditor*>();
    QVERIFY(editor->hasFocus());
    QVERIFY(!named<PlainButton>(&view, QStringLiteral("give me another")));
    QVERIFY(!view.findChild<TextBlock*>()->isVisibleTo(&view));
    QTRY_VERIFY(editor->height() >= 320);
    type(QStringLiteral("free words"));

    QTest::mouseClick(named<PlainButton>(&view, QStringLiteral("back to the prompt")), Qt::LeftButton);
    QCOMPARE(view.text(), QStringLiteral("to the prompt"));
    QVERIFY(view.findChild<TextBlock*>()->isVisibleTo(&view));
    const Entry* freeform = entry(QStringLiteral("2026-03-05"), QStringLiteral("freeform"));
    QVERIFY(freeform);
    QCOMPARE(freeform->categoryRaw(), QStringLiteral("pages"));
    QCOMPARE(textOf(freeform), QStringLiteral("free words"));

    view.switchMode(TodayView::Mode::freeform);
    QCOMPARE(view.text(), QStringLiteral("free words"));

    // Another prompt starts empty; the text written to the first stays with it.
    view.switchMode(TodayView::Mode::prompt);
    QTest::mouseClick(named<PlainButton>(&view, QStringLiteral("give me another")), Qt::LeftButton);
    QCOMPARE(view.prompt()->id, QStringLiteral("B"));
    QCOMPARE(view.text(), QString());
    QCOMPARE(textOf(entry(QStringLiteral("2026-03-05"), QStringLiteral("A"))), QStringLiteral("to the prompt"));
    QVERIFY(!entry(QStringLiteral("2026-03-05"), QStringLiteral("B")));
}

void TestTodayView::unreadableEntryIsKeptAside()
{
    const auto lostKey = EntryKey::random();
    add(QStringLiteral("2026-03-05"), QStringLiteral("A"), QStringLiteral("written under a lost key"), lostKey.get());
    const QByteArray unreadable = m_store->entries().front()->cipherBody();

    TodayView& view = show();
    QCOMPARE(view.text(), QString());
    QTest::qWait(1200);
    QCOMPARE(m_store->entries().front()->cipherBody(), unreadable);

    type(QStringLiteral("fresh"));
    QTRY_VERIFY_WITH_TIMEOUT(m_store->entries().front()->cipherBody() != unreadable, 3000);
    QCOMPARE(textOf(m_store->entries().front()), QStringLiteral("fresh"));
    QCOMPARE(m_store->displacedBodies().size(), std::size_t(1));
}

void TestTodayView::dayIsDoneAtTwentyWordsAcrossEntries()
{
    add(QStringLiteral("2026-03-05"), QStringLiteral("freeform"), words(12));
    TodayView& view = show();
    auto* finish = named<FilledButton>(&view, QStringLiteral("Done"));
    QLabel* count = wordCount(&view);
    QVERIFY(finish && count);
    QCOMPARE(count->text(), QStringLiteral("0 words"));
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
    QVERIFY(!entry(QStringLiteral("2026-03-05"), QStringLiteral("B")));
}

void TestTodayView::headerFollowsTheLiveText()
{
    add(QStringLiteral("2026-03-03"), QStringLiteral("A"), words(20));
    add(QStringLiteral("2026-03-04"), QStringLiteral("B"), words(25));
    TodayView& view = show();
    auto* day = named<PlainButton>(&view, QStringLiteral("history"));
    QCOMPARE(day->text(), QStringLiteral("day 2"));
    type(words(19));
    QCOMPARE(day->text(), QStringLiteral("day 2"));
    type(QStringLiteral(" twenty"));
    QCOMPARE(day->text(), QStringLiteral("day 3")); // before any save
    QVERIFY(m_store->firstEntry(QStringLiteral("2026-03-05"), QStringLiteral("A")) == nullptr);

    // The day number saves at once and opens the history.
    QTest::mouseClick(day, Qt::LeftButton);
    QCOMPARE(m_historyOpened, 1);
    QVERIFY(entry(QStringLiteral("2026-03-05"), QStringLiteral("A")));

    // Days later the old streak is gone: the live text alone makes day 1, an empty editor day 0.
    QCOMPARE(view.headerDayNumber(), 3);
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
    QVERIFY(view.isDone());
    QVERIFY(entry(QStringLiteral("2026-03-05"), QStringLiteral("A")));
    QCOMPARE(view.text(), words(20)); // no line break was typed

    type(QStringLiteral(" more"));
    QTest::keyClick(view.findChild<PlainTextEditor*>(), Qt::Key_Enter, Qt::ControlModifier);
    QVERIFY(view.isDone());
    QCOMPARE(textOf(entry(QStringLiteral("2026-03-05"), QStringLiteral("A"))), words(20) + QStringLiteral(" more"));
}

void TestTodayView::recapCoversTheScreenUntilBegun()
{
    add(QStringLiteral("2026-02-10"), QStringLiteral("A"), QStringLiteral("February\nwords"));
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
    QVERIFY(!view.isDone());

    // It does not come back this month.
    m_view.reset();
    QVERIFY(!show().recap());

    // The sentence groups the total as the locale does, and says "word" for one.
    RecapData recap{QStringLiteral("march"), 3, 31, 1204, std::nullopt, QString(), QString()};
    QCOMPARE(MonthRecapCard::sentence(recap, Calendar::current()),
             QStringLiteral("You wrote 3 of 31 days in march — 1,204 words."));
    QVERIFY(MonthRecapCard::sentence(recap, Calendar::make(QStringLiteral("de_DE"), QStringLiteral("Europe/Berlin")))
                .endsWith(QStringLiteral("— 1.204 words.")));
    recap.totalWords = 1;
    QVERIFY(MonthRecapCard::sentence(recap, Calendar::current()).endsWith(QStringLiteral("— 1 word.")));
}

void TestTodayView::noPromptStoresNothingButFreeWriting()
{
    TodayView& view = show(PromptEngine::Bank{});
    QVERIFY(!view.prompt());
    type(QStringLiteral("nowhere to go"));
    QTest::qWait(1200);
    QVERIFY(m_store->entries().empty());
    QVERIFY(named<PlainButton>(&view, QStringLiteral("give me another")));

    view.switchMode(TodayView::Mode::freeform);
    type(QStringLiteral("free"));
    QTRY_VERIFY_WITH_TIMEOUT(entry(QStringLiteral("2026-03-05"), QStringLiteral("freeform")), 3000);
}

void TestTodayView::pendingSaveOutlivesTheScreen()
{
    show();
    type(QStringLiteral("last words before the lock"));
    m_view.reset();
    QVERIFY(m_store->entries().empty());
    QTRY_VERIFY_WITH_TIMEOUT(!m_store->entries().empty(), 3000);
    QCOMPARE(textOf(m_store->entries().front()), QStringLiteral("last words before the lock"));
}

void TestTodayView::unsavedWritingIsNeverCalledSaved()
{
    TodayView& view = show();
    auto* finish = named<FilledButton>(&view, QStringLiteral("Done"));
    QVERIFY(finish);
    // The disk is full: finishing a day of 25 words cannot write them, so it must not say "Saved".
    test::FailingVfs::setFailing(true);
    type(words(25));
    QTest::mouseClick(finish, Qt::LeftButton);
    QCOMPARE(finish->text(), QStringLiteral("Done"));
    QLabel* problem = nullptr;
    for (QLabel* label : view.findChildren<QLabel*>()) {
        if (label->text().startsWith(QStringLiteral("Not saved yet"))) {
            problem = label;
        }
    }
    QVERIFY(problem && problem->isVisible());
    QCOMPARE(problem->text(), QStringLiteral("Not saved yet — the disk is full. Wendle keeps trying."));
    QCOMPARE(colourOf(problem), Palette::muted());

    // Space comes back: the text reaches the file without another keystroke, and the line goes.
    test::FailingVfs::setFailing(false);
    QTRY_VERIFY_WITH_TIMEOUT(!m_store->hasUnsavedChanges(), EntryStore::retryMilliseconds + 1000);
    QVERIFY(!problem->isVisible());
    QCOMPARE(m_store->entries().size(), std::size_t(1));
    QCOMPARE(openEntryText(m_store->entries().front()->cipherBody(), *m_key), words(25));
}

QTEST_MAIN(TestTodayView)
#include "TestTodayView.moc"
