// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/ArchiveList.h"
#include "history/ArchiveModel.h"
#include "history/ArchiveRow.h"
#include "history/ArchiveTexts.h"
#include "history/EntryReader.h"
#include "history/HeatmapView.h"
#include "history/HistoryView.h"
#include "history/Statistics.h"
#include "history/VersionsSheet.h"
#include "journal/Clock.h"
#include "journal/TextSize.h"
#include "ui/FilledButton.h"
#include "ui/PlainButton.h"
#include "ui/PlainTextEditor.h"

#include "FailingVfs.h"
#include "Screens.h"
#include "TempJournal.h"
#include "Widgets.h"

#include <QAccessible>
#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>

using namespace wendle;
using namespace wendle::test;

namespace {

/** The heatmap cells that are shaded above level 0. */
int shadedCells(const HeatmapView& heatmap)
{
    int shaded = 0;
    for (int column = 0; column < heatmapWeeks; ++column) {
        for (int row = 0; row < 7; ++row) {
            shaded += heatmap.levelAt(column, row) > 0 ? 1 : 0;
        }
    }
    return shaded;
}

/** An entry written at 09:00 on `day` March, under `key` when one is given. */
Entry* on(TempJournal& journal, int day, const QString& text, const EntryKey* key = nullptr)
{
    return journal.add(QStringLiteral("2026-03-%1").arg(day, 2, 10, QLatin1Char('0')), QStringLiteral("a"), text, -1,
                       berlin(day, 9), key);
}

QString snippet(const HistoryView& view, int row)
{
    return view.archiveModel()->index(row).data().toString();
}

/** What a screen reader was last told has the focus. */
QString g_focusHeard;

void hearFocus(QAccessibleEvent* event)
{
    if (event->type() == QAccessible::Focus) {
        g_focusHeard = event->accessibleInterface()->text(QAccessible::Name);
    }
}

} // namespace

class TestHistoryView : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init() { FailingVfs::setFailing(false); }
    void countsFollowTheStoreLive();
    void searchNeedsEveryWordWhateverTheCaseAndAccents();
    void correctingAPastDayKeepsItsStreak();
    // A body that does not open is kept aside; Escape drops edits; a refused save is not "Saved" until it lands.
    void readerKeepsWhatItCannotOpenOrSave();
    void keyboardAndScreenReaderReachEverything();

private:
    EntryReader& open(HistoryView& view, Entry* entry)
    {
        view.openReader(entry);
        showActive(view.reader());
        return *view.reader();
    }

    ManualClock m_clock{berlin(5, 10)};
};

void TestHistoryView::initTestCase()
{
    FailingVfs::install();
    liveInBerlin();
}

void TestHistoryView::countsFollowTheStoreLive()
{
    TempJournal journal;
    HistoryView view(*journal.store, journal.key, nullptr, m_clock);
    view.resize(760, 640);
    view.show();
    QCOMPARE(view.countText(), QStringLiteral("0 entries"));
    QCOMPARE(view.streakText(), QStringLiteral("0 day streak · best 0 · 0 of 7 this week"));
    QVERIFY(view.showsEmptyNote());
    QVERIFY(!view.archive()->isVisibleTo(&view));
    QCOMPARE(shadedCells(*view.heatmap()), 0);

    // Written on another surface: the screen follows without being asked. 3 words do not write a day.
    journal.add(QStringLiteral("2026-03-05"), QStringLiteral("freeform"), words(3), -1, berlin(5, 9));
    QTRY_COMPARE(view.countText(), QStringLiteral("1 entry"));
    QVERIFY(!view.showsEmptyNote());
    QVERIFY(view.archive()->isVisibleTo(&view));
    QCOMPARE(view.figures().currentStreak, 0);
    QCOMPARE(shadedCells(*view.heatmap()), 1);

    // Three entries of one day write it together.
    journal.add(QStringLiteral("2026-03-04"), QStringLiteral("memory-001"), words(10), -1, berlin(4, 8));
    journal.add(QStringLiteral("2026-03-04"), QStringLiteral("future-002"), words(10), -1, berlin(4, 9));
    journal.add(QStringLiteral("2026-03-04"), QStringLiteral("freeform"), QStringLiteral("First.\nSecond\n\nthird"), 10,
                berlin(4, 10));
    QTRY_COMPARE(view.countText(), QStringLiteral("4 entries"));
    QCOMPARE(view.streakText(), QStringLiteral("1 day streak · best 1 · 1 of 7 this week"));
    QCOMPARE(view.heatmap()->wordsByDay().value(QStringLiteral("2026-03-04")), 30);
    QCOMPARE(shadedCells(*view.heatmap()), 2);

    // Newest first; paragraphs share one line: each line feed is one space.
    QCOMPARE(view.archiveModel()->entryAt(1)->dayKey(), QStringLiteral("2026-03-04"));
    QCOMPARE(snippet(view, 1), QStringLiteral("First. Second  third"));
}

void TestHistoryView::searchNeedsEveryWordWhateverTheCaseAndAccents()
{
    TempJournal journal;
    const auto otherKey = EntryKey::random();
    on(journal, 1, QStringLiteral("A morning at the Café Noir"));
    on(journal, 2, QStringLiteral("apples and pears"));
    on(journal, 3, QStringLiteral("only bananas"));
    on(journal, 4, QStringLiteral("a cafe, sealed elsewhere"), otherKey.get());
    HistoryView view(*journal.store, journal.key, nullptr, m_clock);
    view.resize(760, 640);
    showActive(&view);
    QLineEdit* field = view.searchField();
    QVERIFY(!field->isVisible());
    QCOMPARE(view.archiveModel()->rowCount(), 4); // the unreadable entry is listed, with no text
    QCOMPARE(snippet(view, 0), QString());

    QTest::keyClick(&view, Qt::Key_F, Qt::ControlModifier);
    QVERIFY(field->isVisible());
    QVERIFY(field->hasFocus());
    QTest::keyClicks(field, QStringLiteral("CAFE"));
    QCOMPARE(view.archiveModel()->rowCount(), 1);
    QCOMPARE(snippet(view, 0), QStringLiteral("A morning at the Café Noir"));
    QCOMPARE(view.countText(), QStringLiteral("1 of 4 entries"));

    field->setText(QStringLiteral("apples bananas"));
    QCOMPARE(view.archiveModel()->rowCount(), 0);
    field->setText(QStringLiteral("  NOIR   morn "));
    QCOMPARE(view.archiveModel()->rowCount(), 1);
    // Every readable entry holds an "a"; the one that does not open is never among the results.
    field->setText(QStringLiteral("a"));
    QCOMPARE(view.archiveModel()->rowCount(), 3);
    for (int row = 0; row < 3; ++row) {
        QVERIFY(view.archiveModel()->entryAt(row)->dayKey() != QStringLiteral("2026-03-04"));
    }

    // Beyond Latin-1: stacked accents, ligatures, Greek, and letters outside the first plane fold alike.
    QCOMPARE(foldForSearch(u"Ǖber ﬁne ΣΟΦΊΑ 𝐀"), foldForSearch(u"uber fine σοφια a"));

    QTest::keyClick(field, Qt::Key_Escape);
    QVERIFY(!field->isVisible());
    QVERIFY(field->text().isEmpty());
    QCOMPARE(view.archiveModel()->rowCount(), 4);
    QCOMPARE(view.countText(), QStringLiteral("4 entries"));
}

void TestHistoryView::correctingAPastDayKeepsItsStreak()
{
    TempJournal journal;
    on(journal, 3, words(30));
    Entry* yesterday = on(journal, 4, words(50));
    Entry* today = on(journal, 5, words(50));
    QVERIFY(journal.store->save());
    HistoryView view(*journal.store, journal.key, nullptr, m_clock);
    view.show();
    QCOMPARE(view.figures().currentStreak, 3);

    EntryReader& reader = open(view, yesterday);
    QCOMPARE(view.reading(), yesterday);
    QCOMPARE(reader.text(), words(50));
    QVERIFY(labelStarting(&reader, QStringLiteral("edits won't change this day's streak")));
    QVERIFY(!reader.versionsButton()->isVisible());
    // Clean: "Saved", and neither a click nor Ctrl+Return does anything.
    QCOMPARE(reader.saveButton()->text(), QStringLiteral("Saved"));
    QVERIFY(!reader.saveButton()->isEnabled());
    QTest::mouseClick(reader.saveButton(), Qt::LeftButton);
    QTest::keyClick(reader.editor(), Qt::Key_Return, Qt::ControlModifier);
    QVERIFY(!journal.store->hasUnsavedChanges());
    QCOMPARE(journal.store->revision(), quint64(3));
    // The reader sizes its text with the writing screens' keys.
    QTest::keyClick(reader.editor(), Qt::Key_Minus, Qt::ControlModifier);
    QCOMPARE(reader.editor()->font().pixelSize(), TextSize::standard - 1);
    TextSize::shared().reset();

    reader.editor()->setText(words(5));
    QVERIFY(reader.isDirty());
    QCOMPARE(reader.saveButton()->text(), QStringLiteral("Save"));
    QVERIFY(reader.saveButton()->isEnabled());
    QTest::keyClick(reader.editor(), Qt::Key_Return, Qt::ControlModifier);
    QVERIFY(!reader.isDirty());
    QCOMPARE(reader.text(), words(5)); // the shortcut typed no line break
    QCOMPARE(openEntryText(yesterday->cipherBody(), *journal.key), words(5));
    QCOMPARE(yesterday->creditedWords(), 50);
    QVERIFY(!journal.store->hasUnsavedChanges());
    QTRY_COMPARE(view.archiveModel()->index(1).data().toString(), words(5));
    QCOMPARE(view.figures().currentStreak, 3);
    QCOMPARE(view.heatmap()->wordsByDay().value(QStringLiteral("2026-03-04")), 50);

    // Each save keeps the text it replaced. The newest is shown read-only; Escape closes it and changes nothing.
    reader.editor()->setText(words(7));
    QTest::keyClick(reader.editor(), Qt::Key_Return, Qt::ControlModifier);
    QTest::keyClick(reader.editor(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), reader.versionsButton());
    QCOMPARE(QAccessible::queryAccessibleInterface(reader.versionsButton())->text(QAccessible::Name),
             QStringLiteral("Earlier versions…"));
    QTest::keyClick(reader.versionsButton(), Qt::Key_Space);
    QPointer<VersionsSheet> sheet = reader.versions();
    QVERIFY(sheet);
    showActive(sheet);
    QVERIFY(sheet->list()->item(0)->text().endsWith(QStringLiteral(" · 5 words")));
    QCOMPARE(sheet->viewer()->toPlainText(), words(5));
    QVERIFY(sheet->viewer()->isReadOnly());
    QTest::keyClick(sheet->focusWidget(), Qt::Key_Escape);
    QTRY_VERIFY(!sheet);
    QCOMPARE(openEntryText(yesterday->cipherBody(), *journal.key), words(7));

    // Restored by keys alone, through the same save: a past day's credit stays, the replaced text is a version.
    QTest::mouseClick(reader.versionsButton(), Qt::LeftButton);
    sheet = reader.versions();
    showActive(sheet);
    QCOMPARE(QApplication::focusWidget(), sheet->list());
    QTest::keyClick(sheet->list(), Qt::Key_Tab);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), sheet->restoreButton());
    QCOMPARE(QAccessible::queryAccessibleInterface(sheet->restoreButton())->text(QAccessible::Name),
             QStringLiteral("Restore this version"));
    QTest::keyClick(sheet->restoreButton(), Qt::Key_Space);
    QTRY_VERIFY(!sheet);
    QCOMPARE(reader.text(), words(5));
    QVERIFY(!reader.isDirty());
    QCOMPARE(openEntryText(yesterday->cipherBody(), *journal.key), words(5));
    QCOMPARE(yesterday->creditedWords(), 50);
    QCOMPARE(journal.store->versions(*yesterday).front().wordCount, 7);
    reader.close();
    QTRY_VERIFY(!view.reading());

    // Today's entry is credited with what it now says, so today may no longer be written.
    EntryReader& todays = open(view, today);
    QVERIFY(!labelStarting(&todays, QStringLiteral("edits won't")));
    todays.editor()->setText(words(5));
    QTest::keyClick(todays.editor(), Qt::Key_Enter, Qt::ControlModifier);
    QCOMPARE(today->creditedWords(), 5);
    QTRY_COMPARE(view.figures().currentStreak, 2);
    QCOMPARE(view.heatmap()->wordsByDay().value(QStringLiteral("2026-03-05")), 5);
    QCOMPARE(journal.store->entries().size(), std::size_t(3));
}

void TestHistoryView::readerKeepsWhatItCannotOpenOrSave()
{
    TempJournal journal;
    const auto otherKey = EntryKey::random();
    Entry* sealedElsewhere = on(journal, 2, words(40), otherKey.get());
    Entry* readable = on(journal, 4, words(30));
    QVERIFY(journal.store->save());
    const QByteArray original = sealedElsewhere->cipherBody();
    HistoryView view(*journal.store, journal.key, nullptr, m_clock);
    view.show();

    EntryReader& reader = open(view, sealedElsewhere);
    QCOMPARE(reader.editor()->text(), QString());
    QVERIFY(!reader.isDirty());
    QTest::keyClicks(reader.editor(), QStringLiteral("written again"));
    QTest::mouseClick(reader.saveButton(), Qt::LeftButton);
    QCOMPARE(openEntryText(sealedElsewhere->cipherBody(), *journal.key), QStringLiteral("written again"));
    QCOMPARE(journal.store->displacedBodies().size(), std::size_t(1));
    QCOMPARE(journal.store->displacedBodies().front().cipherBody, original);
    QCOMPARE(openEntryText(journal.store->displacedBodies().front().cipherBody, *otherKey), words(40));
    QCOMPARE(sealedElsewhere->creditedWords(), 40);
    reader.close();

    // Escape closes like "close", and what was typed is dropped.
    QPointer<EntryReader> second = &open(view, readable);
    QTest::keyClicks(second->editor(), QStringLiteral(" more"));
    QVERIFY(second->isDirty());
    QTest::keyClick(second->editor(), Qt::Key_Escape);
    QTRY_VERIFY(!second);
    QVERIFY(!view.reading());
    QCOMPARE(openEntryText(readable->cipherBody(), *journal.key), words(30));

    // The disk is full: the correction stays in the store, and the sheet says so instead of "Saved".
    EntryReader& third = open(view, readable);
    QVERIFY(!labelStarting(&third, QStringLiteral("Not saved yet")));
    FailingVfs::setFailing(true);
    third.editor()->setText(words(7));
    QTest::mouseClick(third.saveButton(), Qt::LeftButton);
    QCOMPARE(third.saveButton()->text(), QStringLiteral("Save"));
    QLabel* problem = labelStarting(&third, QStringLiteral("Not saved yet"));
    QVERIFY(problem && problem->isVisible());
    QCOMPARE(problem->text(), QStringLiteral("Not saved yet — the disk is full. Wendle keeps trying."));
    // A notification: a screen reader says it as it appears, wherever the focus is.
    QAccessibleInterface* heard = QAccessible::queryAccessibleInterface(problem);
    QCOMPARE(heard->role(), QAccessible::Notification);
    QCOMPARE(heard->text(QAccessible::Name), problem->text());

    // Space comes back: the store's retry writes it, and only then is it "Saved".
    FailingVfs::setFailing(false);
    QTRY_COMPARE_WITH_TIMEOUT(third.saveButton()->text(), QStringLiteral("Saved"),
                              EntryStore::retryMilliseconds + 1000);
    QVERIFY(!journal.store->hasUnsavedChanges());
    QVERIFY(!problem->isVisible());
    QCOMPARE(openEntryText(readable->cipherBody(), *journal.key), words(7));
}

void TestHistoryView::keyboardAndScreenReaderReachEverything()
{
    TempJournal journal;
    // Two runs, of five days and of four, and enough rows to fill the archive.
    for (const int day : {24, 25, 26, 27, 28}) {
        journal.add(QStringLiteral("2026-02-%1").arg(day), QStringLiteral("a"), words(10), -1,
                    berlin(1, 9).addDays(day - 29));
    }
    for (const int day : {2, 3, 4}) {
        on(journal, day, words(1));
    }
    const QString text = QStringLiteral("The kitchen had a yellow table. ").repeated(20);
    on(journal, 5, text);
    bool back = false;
    HistoryView view(
        *journal.store, journal.key, [&] { back = true; }, m_clock);
    view.resize(680, 560);
    showActive(&view);

    // At the smallest window the archive gives up height, and the bottom margin holds.
    QCOMPARE(view.height() - (view.archive()->geometry().bottom() + 1), 36);

    // A row is heard with its date, category and snippet, cut where the screen cuts it.
    QAccessibleInterface* row = QAccessible::queryAccessibleInterface(view.archive())->child(0);
    const QString shown = ArchiveRow::shownSnippet(text, view.archive()->rowRect(0).width());
    QVERIFY(shown.endsWith(u'…') && shown.size() > 20);
    QCOMPARE(row->text(QAccessible::Name), QStringLiteral("Thu, Mar 5, memory: ") + shown);

    // The heatmap is summed up, and each of its days is there to be read, today last.
    QAccessibleInterface* heatmap = QAccessible::queryAccessibleInterface(view.heatmap());
    QCOMPARE(heatmap->text(QAccessible::Description), QStringLiteral("26 weeks, 9 days written, best run 5 days"));
    QCOMPARE(heatmap->childCount(), 25 * 7 + 5); // up to Thursday
    QCOMPARE(heatmap->child(heatmap->childCount() - 1)->text(QAccessible::Name),
             QStringLiteral("Thursday, March 5: 120 words"));
    QCOMPARE(heatmap->child(heatmap->childCount() - 2)->text(QAccessible::Name),
             QStringLiteral("Wednesday, March 4: 1 word"));

    // Keys only: from "← today", Tab reaches the heatmap, whose arrows walk its days aloud.
    const QAccessible::UpdateHandler before = QAccessible::installUpdateHandler(hearFocus);
    QCOMPARE(QApplication::focusWidget(), named<PlainButton>(&view, QStringLiteral("back to today")));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), view.heatmap());
    QTRY_COMPARE(g_focusHeard, QStringLiteral("Thursday, March 5: 120 words"));
    QTest::keyClick(view.heatmap(), Qt::Key_Left);
    QCOMPARE(g_focusHeard, QStringLiteral("Thursday, February 26: 10 words"));
    QTest::keyClick(view.heatmap(), Qt::Key_Down);
    QTest::keyClick(view.heatmap(), Qt::Key_Down);
    QCOMPARE(g_focusHeard, QStringLiteral("Saturday, February 28: 10 words"));
    QCOMPARE(heatmap->focusChild()->text(QAccessible::Name), g_focusHeard);
    QTest::keyClick(view.heatmap(), Qt::Key_Down);
    QCOMPARE(g_focusHeard, QStringLiteral("Sunday, March 1: nothing written"));
    QTest::keyClick(view.heatmap(), Qt::Key_Right); // past today: stays
    QCOMPARE(g_focusHeard, QStringLiteral("Sunday, March 1: nothing written"));
    QAccessible::installUpdateHandler(before);

    // The archive opens its current row with Return or Space; Escape closes the reader.
    QTest::keyClick(view.heatmap(), Qt::Key_Tab);
    QTest::keyClick(view.archive(), Qt::Key_Down);
    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Space}) {
        QCOMPARE(QApplication::focusWidget(), view.archive());
        QTest::keyClick(view.archive(), key);
        QCOMPARE(view.reading(), view.archiveModel()->entryAt(1));
        showActive(view.reader()); // as a window manager would
        // To the reader's own focus: the X server may hand the activation back to the view meanwhile.
        QTest::keyClick(view.reader()->focusWidget(), Qt::Key_Escape);
        QTRY_VERIFY(!view.reader());
        QApplication::setActiveWindow(&view);
    }

    // And back to today.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    QVERIFY(back);
}

QTEST_MAIN(TestHistoryView)
#include "TestHistoryView.moc"
