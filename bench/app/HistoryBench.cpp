// SPDX-License-Identifier: GPL-3.0-or-later
// The History screen over a journal of 20,000 entries of about 150 words: from the Today screen's day number to
// the first painted frame, a page of scrolling, search, and the memory it all takes.
#include "app/RootView.h"
#include "history/ArchiveList.h"
#include "history/ArchiveModel.h"
#include "history/HistoryView.h"
#include "journal/Clock.h"
#include "journal/DayKey.h"
#include "journal/EntryCrypto.h"
#include "journal/EntryKeyStore.h"
#include "journal/EntryStore.h"
#include "lock/AppLockController.h"
#include "lock/SystemEvents.h"
#include "reminders/ReminderScheduler.h"
#include "writing/TodayView.h"

#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QSettings>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include "BenchSupport.h"

using namespace wendle;
using namespace wendle::bench;

namespace {

const QDateTime kNow(QDate(2026, 12, 6), QTime(15, 0), Qt::UTC);

/** 150 words drawn from an everyday vocabulary, some with accents, different for every seed. */
QString sampleText(quint32 seed)
{
    static const QStringList vocabulary
        = QStringLiteral(
              "the a and of to in we I my was walk kettle letter home morning evening rain light window river heron "
              "garden bread coffee café train station friend mother father sister brother work desk meeting email "
              "quiet tired happy grateful remember tomorrow yesterday weekend market apples pears snow summer winter "
              "spring autumn book chapter page music radio song dinner lunch breakfast soup naïve résumé children "
              "school bicycle hill harbour boat wind hat laughed cooked talked late house build day week year clock")
              .split(u' ');
    QRandomGenerator random(seed);
    QStringList words;
    for (int i = 0; i < 150; ++i) {
        words << vocabulary[int(random.bounded(quint32(vocabulary.size())))];
        if (i % 50 == 49) {
            words.last() += u'\n';
        }
    }
    return words.join(u' ');
}

struct LargeJournal
{
    QTemporaryDir dir;
    std::unique_ptr<EntryStore> store;
    std::shared_ptr<const EntryKey> key = EntryKey::random();
    ReminderScheduler scheduler;
    ManualClock clock{kNow};

    LargeJournal()
    {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.path());
        QString error;
        store = EntryStore::open(dir.filePath(QStringLiteral("journal.sqlite")), &error);
        const Calendar calendar = Calendar::current();
        for (int i = 0; i < 20000; ++i) {
            const QDateTime date = kNow.addDays(-1 - i / 3).addSecs(-600 * (i % 3));
            const QString text = sampleText(quint32(i));
            store->insert({date, journalDayKey(date, calendar), QStringLiteral("memory-%1").arg(i % 3),
                           QStringLiteral("memory"), sealEntryText(text, *key), 150});
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

std::unique_ptr<HistoryView> shownHistory(LargeJournal& large)
{
    auto view = std::make_unique<HistoryView>(
        *large.store, large.key, [] {}, large.clock);
    view->resize(760, 640);
    view->show();
    QApplication::processEvents();
    return view;
}

// The Today screen's day number to the first painted History frame: the Today screen's last save, the
// figures, the heatmap, the archive's first page opened and painted.
void dayNumberToFirstHistoryFrame(benchmark::State& state)
{
    LargeJournal& large = journal();
    InMemoryKeychain keychain;
    keychain.store(entryKeyItem, QByteArray(reinterpret_cast<const char*>(large.key->data()), large.key->length()));
    SystemEvents events;
    NoIdle idle;
    WaitingAuthenticator authenticator;
    AppLockController lock(authenticator, keychain, *large.store, events, idle);
    RootView root(lock, *large.store, large.scheduler, large.clock);
    root.resize(760, 640);
    root.show();
    QApplication::processEvents();
    authenticator.pending(true);
    QApplication::processEvents();
    for (auto _ : state) {
        root.todayView()->showHistory();
        root.repaint();

        state.PauseTiming();
        root.setShowingHistory(false);
        QApplication::processEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(dayNumberToFirstHistoryFrame)->Unit(benchmark::kMillisecond)->UseRealTime();

// One page down the archive and its repaint; the rows coming into view are opened for the first time until
// the list wraps to the top.
void archivePageScroll(benchmark::State& state)
{
    auto view = shownHistory(journal());
    QScrollBar* bar = view->archive()->verticalScrollBar();
    for (auto _ : state) {
        if (bar->value() >= bar->maximum()) {
            bar->setValue(0);
        }
        bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
        view->archive()->viewport()->repaint();
    }
}
BENCHMARK(archivePageScroll)->Unit(benchmark::kMillisecond)->UseRealTime();

// A one-word query typed right after Ctrl+F, before anything was folded: every entry is opened and folded.
void searchFirstResultsCold(benchmark::State& state)
{
    LargeJournal& large = journal();
    for (auto _ : state) {
        state.PauseTiming();
        auto view = shownHistory(large);
        view->showSearch();
        state.ResumeTiming();

        view->searchField()->setText(QStringLiteral("kettle"));
        view->repaint();

        state.PauseTiming();
        view.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(searchFirstResultsCold)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same query looked through to the last entry, before anything was folded.
void searchAllResultsCold(benchmark::State& state)
{
    LargeJournal& large = journal();
    for (auto _ : state) {
        state.PauseTiming();
        auto view = shownHistory(large);
        view->showSearch();
        state.ResumeTiming();

        view->searchField()->setText(QStringLiteral("kettle"));
        while (!view->archiveModel()->searchComplete()) {
            QApplication::processEvents();
        }
        view->repaint();

        state.PauseTiming();
        view.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(searchAllResultsCold)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same query once the field has had its moment to fold the texts (Ctrl+F starts that in steps).
void searchFirstResultsPrepared(benchmark::State& state)
{
    LargeJournal& large = journal();
    for (auto _ : state) {
        state.PauseTiming();
        auto view = shownHistory(large);
        view->showSearch();
        while (!view->archiveModel()->searchPrepared()) {
            QApplication::processEvents();
        }
        state.ResumeTiming();

        view->searchField()->setText(QStringLiteral("kettle"));
        view->repaint();

        state.PauseTiming();
        view.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(searchFirstResultsPrepared)->Unit(benchmark::kMillisecond)->UseRealTime();

// Each further keystroke of a query, over all 20,000 entries, and the repaint.
void searchKeystroke(benchmark::State& state)
{
    auto view = shownHistory(journal());
    view->showSearch();
    view->searchField()->setText(QStringLiteral("k"));
    const QStringList typed{QStringLiteral("ke"),       QStringLiteral("ket"),       QStringLiteral("kett"),
                            QStringLiteral("kettl"),    QStringLiteral("kettle"),    QStringLiteral("kettle "),
                            QStringLiteral("kettle h"), QStringLiteral("kettle he"), QStringLiteral("kettle her")};
    int turn = 0;
    for (auto _ : state) {
        view->searchField()->setText(typed[turn++ % typed.size()]);
        view->repaint();
    }
}
BENCHMARK(searchKeystroke)->Unit(benchmark::kMillisecond)->UseRealTime();

qint64 residentKilobytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:")) {
            return line.mid(6).trimmed().split(' ').first().toLongLong();
        }
    }
    return -1;
}

// Resident memory of this process with the History screen open on the 20,000 entries, after the whole
// archive was scrolled through and searched (every text opened once); beside it, the process before History.
void residentMemoryWithHistoryOpen(benchmark::State& state)
{
    LargeJournal& large = journal();
    state.counters["RSS_before_MB"] = double(residentKilobytes()) / 1024.0;
    auto view = shownHistory(large);
    for (auto _ : state) {
        QScrollBar* bar = view->archive()->verticalScrollBar();
        for (bar->setValue(0); bar->value() < bar->maximum();) {
            bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
            view->archive()->viewport()->repaint();
        }
        view->showSearch();
        view->searchField()->setText(QStringLiteral("kettle"));
        view->repaint();
        state.counters["RSS_MB"] = double(residentKilobytes()) / 1024.0;
    }
}
BENCHMARK(residentMemoryWithHistoryOpen)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

} // namespace
