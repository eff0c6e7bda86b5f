// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/ArchiveModel.h"
#include "history/EntryReader.h"
#include "history/HeatmapView.h"
#include "history/HistoryView.h"
#include "journal/Clock.h"
#include "ui/FilledButton.h"
#include "ui/PlainTextEditor.h"

#include "TempJournal.h"

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QTest>
#include <QTimeZone>

using namespace wendle;
using namespace wendle::test;

namespace {

QDateTime berlin(int day, int hour)
{
    return QDateTime(QDate(2026, 3, day), QTime(hour, 0), QTimeZone("Europe/Berlin")).toUTC();
}

bool showsNote(const EntryReader& reader)
{
    const QList<QLabel*> labels = reader.findChildren<QLabel*>();
    return std::any_of(labels.begin(), labels.end(), [](const QLabel* label) {
        return label->text() == QStringLiteral("edits won't change this day's streak");
    });
}

} // namespace

class TestEntryReader : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void correctingAPastDayKeepsItsStreak();
    void unreadableBodyIsKeptAsideAndClosingDropsEdits();

private:
    EntryReader& open(HistoryView& view, Entry* entry);

    ManualClock m_clock{berlin(5, 10)};
};

void TestEntryReader::initTestCase()
{
    qputenv("TZ", "Europe/Berlin");
    qputenv("LC_ALL", "en_US.UTF-8");
}

EntryReader& TestEntryReader::open(HistoryView& view, Entry* entry)
{
    view.openReader(entry);
    EntryReader* reader = view.reader();
    // Without a window manager nothing activates windows; do what one would.
    QApplication::setActiveWindow(reader);
    if (!QTest::qWaitForWindowExposed(reader)) {
        qWarning("the reader was not shown");
    }
    return *reader;
}

void TestEntryReader::correctingAPastDayKeepsItsStreak()
{
    TempJournal journal;
    journal.add(QStringLiteral("2026-03-03"), QStringLiteral("a"), words(30), -1, berlin(3, 9));
    Entry* yesterday = journal.add(QStringLiteral("2026-03-04"), QStringLiteral("a"), words(50), -1, berlin(4, 9));
    Entry* today = journal.add(QStringLiteral("2026-03-05"), QStringLiteral("a"), words(50), -1, berlin(5, 9));
    QVERIFY(journal.store->save());
    HistoryView view(
        *journal.store, journal.key, [] {}, m_clock);
    view.show();
    QCOMPARE(view.figures().currentStreak, 3);

    EntryReader& reader = open(view, yesterday);
    QCOMPARE(view.reading(), yesterday);
    QCOMPARE(reader.text(), words(50));
    QVERIFY(showsNote(reader));
    // Clean: "Saved", and neither a click nor Ctrl+Return does anything.
    QCOMPARE(reader.saveButton()->text(), QStringLiteral("Saved"));
    QVERIFY(!reader.saveButton()->isEnabled());
    QTest::mouseClick(reader.saveButton(), Qt::LeftButton);
    QTest::keyClick(reader.editor(), Qt::Key_Return, Qt::ControlModifier);
    QVERIFY(!journal.store->hasUnsavedChanges());
    QCOMPARE(journal.store->revision(), quint64(3));

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
    reader.close();
    QTRY_VERIFY(!view.reading());

    // Today's entry is credited with what it now says, so today may no longer be written.
    EntryReader& todays = open(view, today);
    QVERIFY(!showsNote(todays));
    todays.editor()->setText(words(5));
    QTest::keyClick(todays.editor(), Qt::Key_Enter, Qt::ControlModifier);
    QCOMPARE(today->creditedWords(), 5);
    QTRY_COMPARE(view.figures().currentStreak, 2);
    QCOMPARE(view.heatmap()->wordsByDay().value(QStringLiteral("2026-03-05")), 5);
    QCOMPARE(journal.store->entries().size(), std::size_t(3));
}

void TestEntryReader::unreadableBodyIsKeptAsideAndClosingDropsEdits()
{
    TempJournal journal;
    const auto otherKey = EntryKey::random();
    Entry* sealedElsewhere
        = journal.add(QStringLiteral("2026-03-02"), QStringLiteral("a"), words(40), -1, berlin(2, 9), otherKey.get());
    Entry* readable = journal.add(QStringLiteral("2026-03-04"), QStringLiteral("a"), words(30), -1, berlin(4, 9));
    QVERIFY(journal.store->save());
    const QByteArray original = sealedElsewhere->cipherBody();
    HistoryView view(
        *journal.store, journal.key, [] {}, m_clock);
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
}

QTEST_MAIN(TestEntryReader)
#include "TestEntryReader.moc"
