// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/ArchiveList.h"
#include "history/ArchiveModel.h"
#include "history/ArchiveRow.h"
#include "history/ArchiveTexts.h"
#include "history/HeatmapView.h"
#include "history/HistoryView.h"
#include "history/Statistics.h"
#include "journal/Clock.h"

#include "TempJournal.h"

#include <QApplication>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>

using namespace wendle;
using namespace wendle::test;

namespace {

QDateTime berlin(int day, int hour)
{
    return QDateTime(QDate(2026, 3, day), QTime(hour, 0), QTimeZone("Europe/Berlin")).toUTC();
}

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

QString snippet(const HistoryView& view, int row)
{
    return view.archiveModel()->index(row).data().toString();
}

} // namespace

class TestHistoryView : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void countsFollowTheStoreLive();
    void oneDayOfThreeEntries();
    void searchNeedsEveryWordWhateverTheCaseAndAccents();

private:
    ManualClock m_clock{berlin(5, 10)};
};

void TestHistoryView::initTestCase()
{
    qputenv("TZ", "Europe/Berlin");
    qputenv("LC_ALL", "en_US.UTF-8");
}

void TestHistoryView::countsFollowTheStoreLive()
{
    TempJournal journal;
    HistoryView view(
        *journal.store, journal.key, [] {}, m_clock);
    QCOMPARE(view.countText(), QStringLiteral("0 entries"));
    QCOMPARE(view.streakText(), QStringLiteral("0 day streak · best 0 · 0 of 7 this week"));
    QVERIFY(view.showsEmptyNote());
    QVERIFY(!view.archive()->isVisibleTo(&view));
    QCOMPARE(shadedCells(*view.heatmap()), 0);

    // Written on another surface: the screen follows without being asked.
    journal.add(QStringLiteral("2026-03-05"), QStringLiteral("freeform"), words(25), -1, berlin(5, 9));
    QTRY_COMPARE(view.countText(), QStringLiteral("1 entry"));
    QVERIFY(!view.showsEmptyNote());
    QVERIFY(view.archive()->isVisibleTo(&view));
    QCOMPARE(view.streakText(), QStringLiteral("1 day streak · best 1 · 1 of 7 this week"));
    QCOMPARE(shadedCells(*view.heatmap()), 1);

    journal.add(QStringLiteral("2026-03-04"), QStringLiteral("freeform"), words(3), -1, berlin(4, 9));
    QTRY_COMPARE(view.countText(), QStringLiteral("2 entries"));
    QCOMPARE(view.archiveModel()->entryAt(1)->dayKey(), QStringLiteral("2026-03-04")); // newest first
    QCOMPARE(view.figures().currentStreak, 1); // 3 words do not write a day
}

void TestHistoryView::oneDayOfThreeEntries()
{
    TempJournal journal;
    journal.add(QStringLiteral("2026-03-04"), QStringLiteral("memory-001"), words(10), -1, berlin(4, 8));
    journal.add(QStringLiteral("2026-03-04"), QStringLiteral("future-002"), words(10), -1, berlin(4, 9));
    journal.add(QStringLiteral("2026-03-04"), QStringLiteral("freeform"), QStringLiteral("First.\nSecond\n\nthird"), 10,
                berlin(4, 10));
    HistoryView view(
        *journal.store, journal.key, [] {}, m_clock);
    view.resize(760, 640);
    view.show();

    QCOMPARE(view.countText(), QStringLiteral("3 entries"));
    QCOMPARE(view.archiveModel()->rowCount(), 3);
    QCOMPARE(view.figures().currentStreak, 1);
    QCOMPARE(view.figures().bestStreak, 1);
    QCOMPARE(view.heatmap()->wordsByDay().value(QStringLiteral("2026-03-04")), 30);
    QCOMPARE(shadedCells(*view.heatmap()), 1);

    // Paragraphs share one line: each line feed is one space, and the row is one line high.
    QCOMPARE(snippet(view, 0), QStringLiteral("First. Second  third"));
    QCOMPARE(view.archive()->rowRect(0).height(), ArchiveRow::rowHeight());
    QCOMPARE(view.archive()->height(), 3 * ArchiveRow::rowHeight());
}

void TestHistoryView::searchNeedsEveryWordWhateverTheCaseAndAccents()
{
    TempJournal journal;
    const auto otherKey = EntryKey::random();
    journal.add(QStringLiteral("2026-03-01"), QStringLiteral("a"), QStringLiteral("A morning at the Café Noir"), -1,
                berlin(1, 9));
    journal.add(QStringLiteral("2026-03-02"), QStringLiteral("a"), QStringLiteral("apples and pears"), -1,
                berlin(2, 9));
    journal.add(QStringLiteral("2026-03-03"), QStringLiteral("a"), QStringLiteral("only bananas"), -1, berlin(3, 9));
    journal.add(QStringLiteral("2026-03-04"), QStringLiteral("a"), QStringLiteral("a cafe, sealed elsewhere"), 5,
                berlin(4, 9), otherKey.get());
    HistoryView view(
        *journal.store, journal.key, [] {}, m_clock);
    view.resize(760, 640);
    view.show();
    // Without a window manager nothing activates windows; do what one would.
    QApplication::setActiveWindow(&view);
    QVERIFY(QTest::qWaitForWindowExposed(&view));
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
    QCOMPARE(view.countText(), QStringLiteral("0 of 4 entries"));
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

QTEST_MAIN(TestHistoryView)
#include "TestHistoryView.moc"
