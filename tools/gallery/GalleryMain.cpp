// SPDX-License-Identifier: GPL-3.0-or-later
// The screens' states with sample data, for design review and for the screen-reader test.
//   wendle-gallery OUTPUT_FOLDER     renders each state to a PNG file
//   wendle-gallery --screen-reader   shows each state in turn (see Showcase)
#include "Showcase.h"
#include "app/MainWindow.h"
#include "app/Translations.h"
#include "history/ArchiveList.h"
#include "history/ArchiveModel.h"
#include "history/EntryReader.h"
#include "history/HistoryView.h"
#include "history/ResurfacingViews.h"
#include "history/VersionsSheet.h"
#include "journal/Clock.h"
#include "journal/DayKey.h"
#include "journal/EntryCrypto.h"
#include "journal/EntryStore.h"
#include "journal/Preferences.h"
#include "journal/RecoveryCode.h"
#include "journal/SyncEngine.h"
#include "journal/SyncFolder.h"
#include "journal/SyncId.h"
#include "journal/SyncLogWriter.h"
#include "journal/WordCount.h"
#include "lock/AppLockController.h"
#include "lock/LockView.h"
#include "lock/PamConversationDialog.h"
#include "lock/RecoveryCodeCheckSheet.h"
#include "lock/RecoveryCodeDialog.h"
#include "lock/RecoveryCodeSheet.h"
#include "reminders/ReminderScheduler.h"
#include "reminders/SettingsView.h"
#include "transfer/PassphraseDialog.h"
#include "ui/Palette.h"
#include "ui/PlainTextEditor.h"
#include "ui/SwitchToggle.h"
#include "ui/WendleStyle.h"
#include "updates/UpdateDialog.h"
#include "writing/TodayView.h"
#include "writing/TrayEntryView.h"
#include "writing/TrayPanel.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "FailingVfs.h"
#include "Fakes.h"

#include <cstdio>
#include <functional>
#include <vector>

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

    explicit Sample(int daysWritten = 3)
    {
        QString error;
        store = EntryStore::open(dir.filePath(QStringLiteral("journal.sqlite")), &error);
        QSettings(QStringLiteral("wendle"), QStringLiteral("wendle")).clear();
        // Three days written before today, so the header shows a streak.
        for (int back = 1; back <= daysWritten; ++back) {
            add(kNow.addDays(-back), QStringLiteral("memory-00%1").arg(back),
                QString(30, u'w').replace(u'w', QStringLiteral("word ")));
        }
    }

    void add(const QDateTime& when, const QString& promptID, const QString& text)
    {
        const Calendar calendar = Calendar::current();
        store->insert({when, journalDayKey(when, calendar), promptID, QStringLiteral("memory"),
                       sealEntryText(text, *key), countWords(text)});
        // The screens draw from the store's memory: a sample that cannot be written looks the same.
        static_cast<void>(store->save());
    }

    void dismissRecap() { Preferences().setBool(QStringLiteral("recap.shown.2026-12"), true); }

    std::unique_ptr<HistoryView> history()
    {
        auto view = std::make_unique<HistoryView>(
            *store, key, [] {}, clock);
        view->resize(680, 560);
        return view;
    }

    std::unique_ptr<TodayView> view(std::unique_ptr<PromptEngine> engine = nullptr)
    {
        auto today = std::make_unique<TodayView>(
            *store, scheduler, key, [] {}, clock, std::move(engine));
        today->resize(680, 560);
        return today;
    }
};

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
    // English by default; LANGUAGE=de_DE shows every state in German, with German dates.
    const QByteArray language = qgetenv("LANGUAGE").split(':').constFirst();
    qputenv("LC_ALL", language.contains('_') ? language + ".UTF-8" : QByteArray("en_US.UTF-8"));
    QApplication app(argc, argv);
    const Translations translations(QLocale::system().uiLanguages());
    test::FailingVfs::install();
    if (argc != 2) {
        std::fprintf(stderr, "usage: wendle-gallery OUTPUT_FOLDER | --screen-reader\n");
        return 2;
    }
    const QString argument = QString::fromLocal8Bit(argv[1]);
    gallery::Showcase showcase = argument == QStringLiteral("--screen-reader") ? gallery::Showcase::presenting()
                                                                               : gallery::Showcase::saving(argument);
    QTemporaryDir settings;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
    QApplication::setStyle(new WendleStyle);
    QApplication::setPalette(Palette::lightPalette());

    // Each scene builds its sample and shows its states; a scene's windows close when it ends.
    const std::vector<std::function<void()>> scenes{
        [&] {
            Sample sample;
            sample.dismissRecap();
            auto view = sample.view();
            view->show();
            type(*view, QStringLiteral("The light in the kitchen was the colour of weak tea.\nI remember the radio."));
            showcase.capture(*view, "today-prompt");
            view->finishDay();
            showcase.capture(*view, "today-prompt-done");
            view->switchMode(TodayView::Mode::freeform);
            type(*view, QStringLiteral("Morning. Coffee first, then whatever comes."));
            showcase.capture(*view, "today-freeform");
        },
        [&] {
            Sample sample;
            sample.dismissRecap();
            Preferences().setValue(PreferenceKeys::recoveryCodeChecked, kNow.date().addDays(-100));
            auto view = sample.view();
            showcase.capture(*view, "today-check-recovery-code");
            view->checkRecoveryCode();
            if (auto* sheet = view->findChild<RecoveryCodeCheckSheet*>()) {
                showcase.capture(*sheet, "recovery-code-check");
                sheet->codeField()->setText(formatRecoveryCode(QByteArray(32, '\x5a')));
                showcase.capture(*sheet, "recovery-code-check-not-ours");
                sheet->codeField()->setText(formatRecoveryCode(
                    QByteArray(reinterpret_cast<const char*>(sample.key->data()), sample.key->length())));
                showcase.capture(*sheet, "recovery-code-check-opens");
            }
        },
        [&] {
            Sample sample;
            sample.dismissRecap();
            auto view = sample.view(std::make_unique<PromptEngine>(PromptEngine::Bank{}));
            showcase.capture(*view, "today-no-prompt");
        },
        [&] {
            Sample sample;
            sample.dismissRecap();
            sample.add(kNow.addMonths(-1), QStringLiteral("future-004"),
                       QStringLiteral("We walked to the harbour and back.\nThe wind took my hat, and I laughed for the "
                                      "first time in a week. Later we cooked the fish we had bought and talked until "
                                      "late about the house we might build one day."));
            sample.add(kNow.addYears(-1), QStringLiteral("gratitude-002"),
                       QStringLiteral("Grateful for the neighbour who shovelled our path before dawn."));
            auto view = sample.view();
            showcase.capture(*view, "today-looking-back");
            view->openResurfaced(view->resurfaced().front());
            QTest::qWait(50);
            if (QWidget* reader = view->findChild<ResurfacedReader*>()) {
                showcase.capture(*reader, "reader");
            }
        },
        [&] {
            Sample sample;
            for (int day = 2; day <= 20; day += 3) {
                sample.add(QDateTime(QDate(2026, 11, day), QTime(14, 0), Qt::UTC),
                           QStringLiteral("memory-0%1").arg(day + 10),
                           QStringLiteral("\nA long November afternoon, reading by the window.\n")
                               + QString(180, u'x').replace(u'x', QStringLiteral("more ")));
            }
            auto view = sample.view();
            showcase.capture(*view, "today-recap");
        },
        [&] {
            Sample sample(0);
            showcase.capture(*sample.history(), "history-empty");
            sample.add(kNow.addSecs(-3600), QStringLiteral("memory-001"),
                       QStringLiteral("Snow on the roofs, and quiet."));
            showcase.capture(*sample.history(), "history-one-entry");
        },
        [&] {
            Sample sample;
            sample.add(kNow.addSecs(-7200), QStringLiteral("memory-011"), QStringLiteral("The first answer of today."));
            sample.add(kNow.addSecs(-5400), QStringLiteral("gratitude-003"),
                       QStringLiteral("Thankful for the bus driver who waited."));
            sample.add(
                kNow.addSecs(-3600), QStringLiteral("freeform"),
                QStringLiteral("First paragraph about the morning.\n\nSecond paragraph, after lunch, about the long "
                               "walk along the river and the heron that stood so still we thought it was a post.\n"
                               "Third paragraph."));
            auto view = sample.history();
            showcase.capture(*view, "history-three-today-multi-paragraph");
            view->openReader(view->archiveModel()->entryAt(0));
            QTest::qWait(50);
            showcase.capture(*view->reader(), "reader-today-clean");
            view->reader()->editor()->setText(QStringLiteral("First paragraph about the morning, rewritten."));
            showcase.capture(*view->reader(), "reader-today-dirty");
            view->reader()->close();
            view->openReader(view->archiveModel()->entryAt(4));
            QTest::qWait(50);
            showcase.capture(*view->reader(), "reader-past-clean");
            view->reader()->editor()->setText(QStringLiteral("Corrected."));
            showcase.capture(*view->reader(), "reader-past-dirty");
            view->reader()->saveReader();
            showcase.capture(*view->reader(), "reader-past-saved");
            view->reader()->openVersions();
            if (VersionsSheet* versions = view->reader()->versions()) {
                versions->list()->setCurrentRow(0);
                showcase.capture(*versions, "reader-earlier-versions");
                versions->close();
            }
            view->reader()->close();
            view->showSearch();
            view->searchField()->setText(QStringLiteral("HERON river"));
            showcase.capture(*view, "history-search-results");
            view->searchField()->setText(QStringLiteral("heron tea"));
            showcase.capture(*view, "history-search-none");
        },
        [&] {
            Sample sample(0);
            const Calendar calendar = Calendar::current();
            const QStringList categories{QStringLiteral("memory"), QStringLiteral("gratitude"),
                                         QStringLiteral("pages")};
            for (int i = 0; i < 20000; ++i) {
                const QDateTime when = kNow.addDays(-1 - i / 3).addSecs(-600 * (i % 3));
                const QString text
                    = QStringLiteral("Entry %1: the walk, the kettle, the letter from home. ").arg(20000 - i);
                sample.store->insert({when, journalDayKey(when, calendar), QStringLiteral("p%1").arg(i % 3),
                                      categories[i % 3], sealEntryText(text, *sample.key),
                                      i % 5 == 0 ? 8 : 40 + i % 150});
            }
            static_cast<void>(sample.store->save());
            auto view = sample.history();
            view->show();
            QScrollBar* bar = view->archive()->verticalScrollBar();
            bar->setValue(bar->maximum() / 2);
            showcase.capture(*view, "history-twenty-thousand-halfway");
        },
        [&] {
            Sample sample;
            TrayPanel panel(new TrayEntryView(*sample.store, sample.scheduler, sample.clock));
            TrayEntryView* view = panel.view();
            showcase.capture(panel, "panel-locked");
            view->setKey(sample.key);
            view->setCanCheckForUpdates(true);
            showcase.capture(panel, "panel-empty");
            QTest::keyClicks(view->findChild<PlainTextEditor*>(),
                             QStringLiteral("Snow on the roofs, and the kettle singing. I stayed in bed "
                                            "a while longer and listened to the street wake up."));
            showcase.capture(panel, "panel-writing");
            view->session().finishDay();
            showcase.capture(panel, "panel-saved");
            view->setCanCheckForUpdates(false);
            showcase.capture(panel, "panel-checking-for-updates");
        },
        [&] {
            Sample sample;
            TrayPanel panel(new TrayEntryView(*sample.store, sample.scheduler, sample.clock));
            panel.view()->setKey(sample.key);
            QTest::keyClicks(panel.view()->findChild<PlainTextEditor*>(),
                             QString(40, u'x').replace(u'x', QStringLiteral("The rain kept on, and so did I. ")));
            showcase.capture(panel, "panel-overflowing");
        },
        [&] {
            Sample sample;
            TrayPanel panel(new TrayEntryView(*sample.store, sample.scheduler, sample.clock,
                                              std::make_unique<PromptEngine>(PromptEngine::Bank{})));
            panel.view()->setKey(sample.key);
            showcase.capture(panel, "panel-no-prompt");
        },
        [&] {
            // The main window's own dialogs, over a journal whose disk fills up while it is written to.
            test::LockRig rig;
            ManualClock clock{kNow};
            const Preferences preferences;
            MainWindow window(rig.lock, rig.store, rig.scheduler, clock, preferences);
            window.resize(680, 560);
            window.show();
            QTest::qWait(50);
            rig.auth.answer(true);
            showcase.capture(window, "window-today");
            window.showAbout();
            if (auto* about = window.findChild<QMessageBox*>()) {
                showcase.capture(*about, "about");
                about->close();
            }
            test::FailingVfs::setFailing(true);
            QTest::keyClicks(window.focusWidget(), QStringLiteral("A line the full disk refuses."));
            QTest::qWait(1500);
            window.quit();
            if (QMessageBox* question = window.quitQuestion()) {
                showcase.capture(*question, "quit-with-unsaved-writing");
            }
            test::FailingVfs::setFailing(false);
            QTest::qWait(1500);
        },
        [&] {
            UpdateRelease release;
            release.shortVersion = QStringLiteral("0.2.0");
            release.notes = QStringLiteral("<h3>What is new</h3><ul><li>Write from the tray.</li><li>A quieter editor."
                                           "</li></ul><p><img src=\"https://example.org/tracker.png\"></p>");
            UpdateDialog dialog(release, QStringLiteral("0.1.0"));
            showcase.capture(dialog, "update-available");
        },
        [&] {
            LockView lock;
            lock.resize(680, 560);
            showcase.capture(lock, "lock");
            lock.setFailed(true);
            showcase.capture(lock, "lock-failed");
            lock.setKeyProblem(KeyProblem::keyMissing, KeychainStatus::NotFound);
            showcase.capture(lock, "lock-key-missing");
            lock.setKeyProblem(KeyProblem::keyringUnavailable, KeychainStatus::Locked);
            showcase.capture(lock, "lock-keyring-locked");
        },
        [&] {
            RecoveryCodeSheet sheet(formatRecoveryCode(QByteArray(32, '\x5a')), nullptr);
            showcase.capture(sheet, "recovery-code");
            PamConversationDialog conversation(AppLockController::reason(), nullptr);
            conversation.tell(QStringLiteral("Place your finger on the reader"), false);
            conversation.ask(QStringLiteral("Password: "), true, [](PamConversationDialog::Answer) {});
            showcase.capture(conversation, "pam-conversation");
            PassphraseDialog passphrase(PassphraseDialog::Purpose::newBackup, nullptr);
            showcase.capture(passphrase, "backup-passphrase");
            RecoveryCodeDialog dialog(nullptr);
            dialog.codeField()->setText(QStringLiteral("7ABC-DEFG"));
            showcase.capture(dialog, "recovery-code-entry");
            RecoveryCodeDialog join(nullptr, RecoveryCodeDialog::Purpose::join);
            showcase.capture(join, "join-journal");
            RecoveryCodeDialog joinWithWriting(nullptr, RecoveryCodeDialog::Purpose::joinWithWriting);
            showcase.capture(joinWithWriting, "join-with-writing");
        },
        [&] {
            QSettings(QStringLiteral("wendle"), QStringLiteral("wendle")).clear();
            ReminderScheduler scheduler;
            SettingsView settings(scheduler);
            settings.adjustSize();
            showcase.capture(settings, "settings");
            settings.nudgeToggle()->click();
            showcase.capture(settings, "settings-nudge-on");
            settings.reminderToggle()->click();
            showcase.capture(settings, "settings-reminder-off");
        },
        [&] {
            // The settings with their sync section, syncing through a folder the engine has just read.
            QTemporaryDir home;
            QString error;
            auto store = EntryStore::open(home.filePath(QStringLiteral("journal.sqlite")), &error);
            const QString folder = home.filePath(QStringLiteral("Sync"));
            QDir().mkpath(folder);
            SyncEngine engine(*store, systemClock(), nullptr, home.filePath(QStringLiteral("sync-device")));
            engine.setFolder(folder);
            ReminderScheduler scheduler;
            SettingsView settings(scheduler, &engine);
            settings.adjustSize();
            showcase.capture(settings, "settings-sync");

            // Another journal's log in the folder: the section offers to join it.
            const QByteArray stranger = SyncId::random();
            SyncLogWriter strangerLog(SyncFolder::root(folder), stranger, EntryKey::random());
            const SyncStamp stamp{1, stranger};
            if (strangerLog.append(SyncRecord{SyncId::random(), QDateTime::currentDateTimeUtc(),
                                              QStringLiteral("2026-12-08"), QStringLiteral("freeform"),
                                              QStringLiteral("freeform"), QStringLiteral("theirs"), 1, stamp, stamp},
                                   &error)) {
                QEventLoop passed;
                QObject::connect(&engine, &SyncEngine::passFinished, &passed, &QEventLoop::quit);
                QTimer::singleShot(10000, &passed, &QEventLoop::quit);
                engine.unlocked(EntryKey::random());
                passed.exec();
                showcase.capture(settings, "settings-sync-other-journal");
            }
        },
    };
    for (const auto& scene : scenes) {
        if (!showcase.wanted()) {
            break;
        }
        scene();
    }
    return 0;
}
