// SPDX-License-Identifier: GPL-3.0-or-later
// The Today screen over a journal of 20,000 entries: one keystroke to a finished repaint, and one autosave.
#include "app/RootView.h"
#include "journal/Clock.h"
#include "journal/DayKey.h"
#include "journal/EntryCrypto.h"
#include "journal/EntryKeyStore.h"
#include "journal/EntryStore.h"
#include "journal/Spelling.h"
#include "lock/AppLockController.h"
#include "lock/SystemEvents.h"
#include "reminders/ReminderScheduler.h"
#include "ui/PlainTextEditor.h"
#include "writing/Autosave.h"
#include "writing/TodayView.h"
#include "writing/TodaysEntry.h"

#include <QApplication>
#include <QClipboard>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCursor>

#include <benchmark/benchmark.h>

#include "BenchSupport.h"

using namespace wendle;
using namespace wendle::bench;

namespace {

struct LargeJournal
{
    QTemporaryDir dir;
    std::unique_ptr<EntryStore> store;
    std::shared_ptr<const EntryKey> key = EntryKey::random();
    ReminderScheduler scheduler;
    ManualClock clock{QDateTime(QDate(2026, 12, 6), QTime(15, 0), Qt::UTC)};

    LargeJournal()
    {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.path());
        QString error;
        store = EntryStore::open(dir.filePath(QStringLiteral("journal.sqlite")), &error);
        const Calendar calendar = Calendar::current();
        const QByteArray body = sealEntryText(QString(1000, u'w'), *key);
        // Twenty thousand entries: one a day for eighteen years, most days written.
        QDateTime day = clock.now().addDays(-1);
        for (int i = 0; i < 20000; ++i) {
            const QDateTime date = day.addDays(-(i / 3));
            store->insert({date, journalDayKey(date, calendar), QStringLiteral("memory-%1").arg(i % 3),
                           QStringLiteral("memory"), body, i % 7 == 0 ? 5 : 40});
        }
        if (!store->save()) {
            qFatal("the bench journal could not be written");
        }
    }
};

LargeJournal* g_journal = nullptr;

// Made on first use and taken down with the application, while Qt is still there to take it down.
LargeJournal& journal()
{
    if (!g_journal) {
        g_journal = new LargeJournal;
        qAddPostRoutine([] {
            delete g_journal;
            g_journal = nullptr;
        });
    }
    return *g_journal;
}

// A shown Today screen with one prompt, past the month's recap that comes first on this journal.
std::unique_ptr<TodayView> writingView(LargeJournal& large)
{
    auto view = std::make_unique<TodayView>(
        *large.store, large.scheduler, large.key, [] {}, large.clock,
        std::make_unique<PromptEngine>(
            PromptEngine::Bank{{{QStringLiteral("p"), PromptCategory::memory, QStringLiteral("A prompt")}}}));
    view->resize(760, 640);
    view->show();
    view->beginAfterRecap();
    return view;
}

void keystrokeToRepaint(benchmark::State& state)
{
    LargeJournal& large = journal();
    const std::unique_ptr<TodayView> shown = writingView(large);
    TodayView& view = *shown;
    QApplication::processEvents();
    auto* editor = view.findChild<PlainTextEditor*>();
    for (auto _ : state) {
        QTest::keyClick(editor, Qt::Key_A);
        view.repaint();
    }
    // Leave no pending save behind for the next benchmark.
    view.findChild<PlainTextEditor*>()->clear();
    QApplication::processEvents();
}
BENCHMARK(keystrokeToRepaint)->Unit(benchmark::kMillisecond)->UseRealTime();

// A long entry being written: one more character at its end, to the repainted screen, at 100 KB and 1 MB, with
// spell checking on (third argument 1, against the system's en_US dictionary) or off.
void keystrokeInLargeEntry(benchmark::State& state)
{
    Spelling::shared().setLanguage(QStringLiteral("en_US"));
    Spelling::shared().setEnabled(state.range(2) != 0);
    LargeJournal& large = journal();
    const std::unique_ptr<TodayView> shown = writingView(large);
    TodayView& view = *shown;
    auto* editor = view.findChild<PlainTextEditor*>();
    // Paragraphs of a few lines each, or (second argument 0) one paragraph as long as the entry; one word in
    // eight misspelt.
    QString paragraph = QStringLiteral("A line of wrods about the day, ");
    paragraph = paragraph.repeated(8) + (state.range(1) ? QStringLiteral("\n") : QString());
    editor->setText(paragraph.repeated(state.range(0) / paragraph.size()));
    QApplication::processEvents();
    editor->setFocus();
    editor->moveCursor(QTextCursor::End);
    const qsizetype before = editor->text().size();
    for (auto _ : state) {
        QTest::keyClick(editor, Qt::Key_A);
        view.repaint();
    }
    // Every keystroke must have landed, or this measured nothing.
    if (editor->text().size() != before + qsizetype(state.iterations())) {
        state.SkipWithError("the keystrokes did not reach the editor");
    }
    editor->clear();
    QApplication::processEvents();
    Spelling::shared().setEnabled(true);
}
BENCHMARK(keystrokeInLargeEntry)
    ->ArgsProduct({{100'000, 1'000'000}, {1, 0}, {1, 0}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// A 5 MB paste from the clipboard until it is in the store: the paste, the one-second pause the autosave
// waits for, and the save, all through the event loop as in the program.
// Opening a long entry: its 100 KB of paragraphs set into the editor, to the first finished paint of the screen,
// with spell checking on (argument 1) or off.
void openLargeEntryToFirstPaint(benchmark::State& state)
{
    Spelling::shared().setLanguage(QStringLiteral("en_US"));
    Spelling::shared().setEnabled(state.range(0) != 0);
    LargeJournal& large = journal();
    const std::unique_ptr<TodayView> shown = writingView(large);
    TodayView& view = *shown;
    auto* editor = view.findChild<PlainTextEditor*>();
    const QString text = (QStringLiteral("A line of wrods about the day, ").repeated(8) + u'\n').repeated(400);
    QApplication::processEvents();
    for (auto _ : state) {
        editor->setText(text);
        view.repaint();
        state.PauseTiming();
        editor->clear();
        QApplication::processEvents();
        state.ResumeTiming();
    }
    Spelling::shared().setEnabled(true);
}
BENCHMARK(openLargeEntryToFirstPaint)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();

void pasteOfFiveMegabytesSaved(benchmark::State& state)
{
    LargeJournal& large = journal();
    QString paragraph = QStringLiteral("Pasted words from somewhere else, ");
    paragraph = paragraph.repeated(8) + u'\n';
    QApplication::clipboard()->setText(paragraph.repeated(5'000'000 / paragraph.size()));
    for (auto _ : state) {
        state.PauseTiming();
        // A day of its own for each paste: clearing the editor keeps what was stored, and the next paste
        // would go after it.
        large.clock.advance(24 * 60 * 60);
        auto view = writingView(large);
        auto* editor = view->findChild<PlainTextEditor*>();
        QApplication::processEvents();
        bool saved = false;
        const QMetaObject::Connection connection
            = QObject::connect(large.store.get(), &EntryStore::changed, [&saved] { saved = true; });
        state.ResumeTiming();

        editor->paste();
        while (!saved) {
            QApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }

        state.PauseTiming();
        QObject::disconnect(connection);
        editor->clear();
        Autosave::runAllNow();
        view.reset();
        QApplication::processEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(pasteOfFiveMegabytesSaved)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void autosave(benchmark::State& state)
{
    LargeJournal& large = journal();
    const TodaysEntry::Target target{QStringLiteral("p"), QStringLiteral("memory")};
    QString text = QString(2000, u'x');
    int turn = 0;
    for (auto _ : state) {
        text[0] = QChar(u'a' + (turn++ % 26));
        TodaysEntry::save(*large.store, large.scheduler, *large.key, target, text, large.clock.now(),
                          Calendar::current());
    }
}
BENCHMARK(autosave)->Unit(benchmark::kMillisecond)->UseRealTime();

// From the authentication's yes to the painted Today screen: key from the keychain, the first-unlock pass
// over every entry, the written days, the Today screen's load, looking back and the recap, and the paint.
void unlockToPaintedToday(benchmark::State& state)
{
    LargeJournal& large = journal();
    InMemoryKeychain keychain;
    keychain.store(entryKeyItem, QByteArray(reinterpret_cast<const char*>(large.key->data()), large.key->length()));
    SystemEvents events;
    NoIdle idle;
    for (auto _ : state) {
        state.PauseTiming();
        WaitingAuthenticator authenticator;
        AppLockController lock(authenticator, keychain, *large.store, events, idle);
        auto root = std::make_unique<RootView>(lock, *large.store, large.scheduler, large.clock);
        root->resize(760, 640);
        root->show();
        QApplication::processEvents();
        state.ResumeTiming();

        authenticator.pending(true);
        root->repaint();

        state.PauseTiming();
        root.reset();
        QApplication::processEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(unlockToPaintedToday)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
