// SPDX-License-Identifier: GPL-3.0-or-later
// The tray panel over a journal of 20,000 entries: from the click on the icon to the panel's first frame.
#include "journal/Clock.h"
#include "journal/DayKey.h"
#include "journal/EntryCrypto.h"
#include "journal/EntryStore.h"
#include "reminders/ReminderScheduler.h"
#include "writing/TrayEntryView.h"
#include "writing/TrayPanel.h"

#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

using namespace wendle;

namespace {

void openPanelUnlocked(benchmark::State& state)
{
    QTemporaryDir dir;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.path());
    QString error;
    std::unique_ptr<EntryStore> store = EntryStore::open(dir.filePath(QStringLiteral("journal.sqlite")), &error);
    const std::shared_ptr<const EntryKey> key = EntryKey::random();
    ReminderScheduler scheduler;
    ManualClock clock{QDateTime(QDate(2026, 12, 6), QTime(15, 0), Qt::UTC)};
    const Calendar calendar = Calendar::current();
    const QByteArray body = sealEntryText(QString(1000, u'w'), *key);
    for (int i = 0; i < 20000; ++i) {
        const QDateTime date = clock.now().addDays(-1 - i / 3);
        store->insert({date, journalDayKey(date, calendar), QStringLiteral("memory-%1").arg(i % 3),
                       QStringLiteral("memory"), body, 40});
    }
    // Today already has its entry, so opening loads and opens it.
    store->insert({clock.now(), journalDayKey(clock.now(), calendar), QStringLiteral("p"), QStringLiteral("memory"),
                   sealEntryText(QStringLiteral("Today's words so far."), *key), 4});
    if (!store->save()) {
        qFatal("the bench journal could not be written");
    }

    TrayPanel panel(
        new TrayEntryView(*store, scheduler, clock,
                          std::make_unique<PromptEngine>(PromptEngine::Bank{
                              {{QStringLiteral("p"), PromptCategory::memory, QStringLiteral("A prompt")}}})));
    panel.view()->setKey(key);
    const QRect icon(1200, 0, 22, 22);
    for (auto _ : state) {
        panel.toggle(icon);
        panel.repaint();
        state.PauseTiming();
        panel.hide();
        QApplication::processEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(openPanelUnlocked)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
