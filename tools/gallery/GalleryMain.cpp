// SPDX-License-Identifier: GPL-3.0-or-later
// Renders every state of the Today screen with sample data to PNG files, for design review.
//   wendle-gallery OUTPUT_FOLDER
#include "app/LockView.h"
#include "app/RecoveryCodeDialog.h"
#include "app/RecoveryCodeSheet.h"
#include "history/ResurfacingViews.h"
#include "journal/Clock.h"
#include "journal/DayKey.h"
#include "journal/EntryCrypto.h"
#include "journal/EntryStore.h"
#include "journal/Preferences.h"
#include "journal/RecoveryCode.h"
#include "journal/WordCount.h"
#include "reminders/ReminderScheduler.h"
#include "reminders/SettingsView.h"
#include "ui/Palette.h"
#include "ui/SwitchToggle.h"
#include "writing/TodayView.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QStyleFactory>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

using namespace wendle;

namespace {

const QDateTime kNow(QDate(2026, 12, 6), QTime(15, 0), Qt::UTC); // 10:00 in New York

struct Sample
{
    QTemporaryDir dir;
    std::unique_ptr<EntryStore> store;
    ReminderScheduler scheduler;
    std::shared_ptr<const EntryKey> key = EntryKey::random();
    ManualClock clock{kNow};

    Sample()
    {
        QString error;
        store = EntryStore::open(dir.filePath(QStringLiteral("journal.sqlite")), &error);
        QSettings(QStringLiteral("wendle"), QStringLiteral("wendle")).clear();
        // Three days written before today, so the header shows a streak.
        for (int back = 1; back <= 3; ++back) {
            add(kNow.addDays(-back), QStringLiteral("memory-00%1").arg(back),
                QString(30, u'w').replace(u'w', QStringLiteral("word ")));
        }
    }

    void add(const QDateTime& when, const QString& promptID, const QString& text)
    {
        const Calendar calendar = Calendar::current();
        store->insert({when, journalDayKey(when, calendar), promptID, QStringLiteral("memory"),
                       sealEntryText(text, *key), countWords(text)});
        store->save();
    }

    void dismissRecap() { Preferences().setBool(QStringLiteral("recap.shown.2026-12"), true); }

    std::unique_ptr<TodayView> view(std::unique_ptr<PromptEngine> engine = nullptr)
    {
        auto today = std::make_unique<TodayView>(
            *store, scheduler, key, [] {}, clock, std::move(engine));
        today->resize(760, 640);
        return today;
    }
};

void save(QWidget& widget, const QString& folder, const char* name)
{
    widget.show();
    QTest::qWait(50);
    const QString path = QDir(folder).filePath(QString::fromLatin1(name) + QStringLiteral(".png"));
    if (!widget.grab().save(path)) {
        std::fprintf(stderr, "could not write %s\n", qPrintable(path));
        return;
    }
    std::printf("%s\n", qPrintable(path));
}

void type(TodayView& view, const QString& text)
{
    QWidget* editor = view.focusWidget();
    if (!editor) {
        return;
    }
    const QStringList lines = text.split(u'\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (i > 0) {
            QTest::keyClick(editor, Qt::Key_Return);
        }
        QTest::keyClicks(editor, lines.at(i));
    }
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("TZ", "America/New_York");
    qputenv("LC_ALL", "en_US.UTF-8");
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: wendle-gallery OUTPUT_FOLDER\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(folder);
    QTemporaryDir settings;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication::setPalette(Palette::lightPalette());

    {
        Sample sample;
        sample.dismissRecap();
        auto view = sample.view();
        view->show();
        type(*view, QStringLiteral("The light in the kitchen was the colour of weak tea.\nI remember the radio."));
        save(*view, folder, "today-prompt");
        view->finishDay();
        save(*view, folder, "today-prompt-done");
        view->switchMode(TodayView::Mode::freeform);
        type(*view, QStringLiteral("Morning. Coffee first, then whatever comes."));
        save(*view, folder, "today-freeform");
    }
    {
        Sample sample;
        sample.dismissRecap();
        auto view = sample.view(std::make_unique<PromptEngine>(PromptEngine::Bank{}));
        save(*view, folder, "today-no-prompt");
    }
    {
        Sample sample;
        sample.dismissRecap();
        sample.add(kNow.addMonths(-1), QStringLiteral("future-004"),
                   QStringLiteral("We walked to the harbour and back.\nThe wind took my hat, and I laughed for the "
                                  "first time in a week. Later we cooked the fish we had bought and talked until "
                                  "late about the house we might build one day."));
        sample.add(kNow.addYears(-1), QStringLiteral("gratitude-002"),
                   QStringLiteral("Grateful for the neighbour who shovelled our path before dawn."));
        auto view = sample.view();
        save(*view, folder, "today-looking-back");
        view->openResurfaced(view->resurfaced().front());
        QTest::qWait(50);
        if (QWidget* reader = view->findChild<ResurfacedReader*>()) {
            save(*reader, folder, "reader");
        }
    }
    {
        Sample sample;
        for (int day = 2; day <= 20; day += 3) {
            sample.add(QDateTime(QDate(2026, 11, day), QTime(14, 0), Qt::UTC),
                       QStringLiteral("memory-0%1").arg(day + 10),
                       QStringLiteral("\nA long November afternoon, reading by the window.\n")
                           + QString(180, u'x').replace(u'x', QStringLiteral("more ")));
        }
        auto view = sample.view();
        save(*view, folder, "today-recap");
    }
    {
        LockView lock;
        lock.resize(680, 560);
        save(lock, folder, "lock");
        lock.setFailed(true);
        save(lock, folder, "lock-failed");
        lock.setKeyProblem(KeyProblem::keyMissing, KeychainStatus::itemNotFound);
        save(lock, folder, "lock-key-missing");
        lock.setKeyProblem(KeyProblem::keyringUnavailable, KeychainStatus::interactionNotAllowed);
        save(lock, folder, "lock-keyring-locked");
    }
    {
        RecoveryCodeSheet sheet(formatRecoveryCode(QByteArray(32, '\x5a')), nullptr);
        save(sheet, folder, "recovery-code");
        RecoveryCodeDialog dialog(nullptr);
        dialog.codeField()->setText(QStringLiteral("7ABC-DEFG"));
        save(dialog, folder, "recovery-code-entry");
    }
    {
        QSettings(QStringLiteral("wendle"), QStringLiteral("wendle")).clear();
        ReminderScheduler scheduler;
        SettingsView settings(scheduler);
        settings.adjustSize();
        save(settings, folder, "settings");
        settings.nudgeToggle()->click();
        save(settings, folder, "settings-nudge-on");
        settings.reminderToggle()->click();
        save(settings, folder, "settings-reminder-off");
    }
    return 0;
}
