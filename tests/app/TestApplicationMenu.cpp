// SPDX-License-Identifier: GPL-3.0-or-later
// The application menu's commands, and quitting while the window is closed into the tray.
#include "app/AppLockController.h"
#include "app/MainWindow.h"
#include "app/RootView.h"
#include "app/UpdaterController.h"
#include "journal/Clock.h"
#include "journal/Keychain.h"
#include "reminders/ReminderScheduler.h"
#include "ui/PlainTextEditor.h"

#include "../journal/FailingVfs.h"
#include "Fakes.h"
#include "TempJournal.h"

#include <QAbstractButton>
#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QTest>

using namespace wendle;
using namespace wendle::test;

class TestApplicationMenu : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void menuCommands();
    void quittingFromTheTrayStillAsks();

private:
    QTemporaryDir m_settings;
    std::unique_ptr<TempJournal> m_journal;
    ReminderScheduler m_scheduler;
    FakeAuthenticator m_auth;
    InMemoryKeychain m_keychain;
    FakeSystemEvents m_events;
    FakeIdleTime m_idle;
    SystemClock m_clock;
    Preferences m_preferences;
    std::unique_ptr<AppLockController> m_lock;
    std::unique_ptr<MainWindow> m_window;
};

void TestApplicationMenu::initTestCase()
{
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settings.path());
    FailingVfs::install();
}

void TestApplicationMenu::init()
{
    m_journal = std::make_unique<TempJournal>();
    m_lock = std::make_unique<AppLockController>(m_auth, m_keychain, *m_journal->store, m_events, m_idle);
    m_window = std::make_unique<MainWindow>(*m_lock, *m_journal->store, m_scheduler, m_clock, m_preferences);
}

void TestApplicationMenu::cleanup()
{
    FailingVfs::setFailing(false);
    m_window.reset();
    m_lock.reset();
    m_journal.reset();
}

void TestApplicationMenu::menuCommands()
{
    QMenu* menu = m_window->menuBar()->actions().constFirst()->menu();
    QCOMPARE(menu->title(), QStringLiteral("wendle"));
    QStringList commands;
    for (const QAction* action : menu->actions()) {
        if (!action->isSeparator()) {
            commands << action->text();
        }
    }
    QCOMPARE(commands,
             QStringList({QStringLiteral("About wendle"), QStringLiteral("Check for updates…"),
                          QStringLiteral("Settings…"), QStringLiteral("Show recovery code…"), QStringLiteral("Quit")}));

    // "Check for updates…" follows whether the updater can check, and is off while a check runs.
    UpdaterController updater{QUrl(QStringLiteral("https://127.0.0.1:9/appcast.xml"))};
    m_window->attachUpdater(updater);
    QAction* check = m_window->checkForUpdatesAction();
    QVERIFY(!check->isEnabled());
    QTRY_VERIFY(check->isEnabled());
    check->trigger();
    QVERIFY(!check->isEnabled());
    QTRY_VERIFY(check->isEnabled());

    QCOMPARE(m_window->settingsAction()->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Comma));
    QSignalSpy settings(m_window.get(), &MainWindow::settingsRequested);
    m_window->settingsAction()->trigger();
    QCOMPARE(settings.count(), 1);

    menu->actions().constFirst()->trigger();
    auto* about = m_window->findChild<QMessageBox*>();
    QVERIFY(about && about->isVisible());
    QVERIFY(about->informativeText().contains(m_journal->store->path()));
}

void TestApplicationMenu::quittingFromTheTrayStillAsks()
{
    m_window->setKeepRunningWhenClosed(true);
    m_window->show();
    QTRY_COMPARE(m_auth.calls, 1);
    m_auth.answer(true);
    QTRY_VERIFY(m_window->rootView()->keyDialog());
    m_window->rootView()->keyDialog()->close();

    FailingVfs::setFailing(true);
    auto* editor = m_window->findChild<PlainTextEditor*>();
    editor->setFocus();
    QTest::keyClicks(editor, QStringLiteral("words that cannot land"));
    QTRY_VERIFY(m_journal->store->hasUnsavedChanges() && !m_journal->store->saveFailure().isEmpty());

    // Closing only puts the window away; quitting from the tray brings it back to ask.
    QVERIFY(m_window->close());
    QVERIFY(!m_window->isVisible() && !m_window->quitQuestion());
    m_window->quitAction()->trigger();
    QVERIFY(m_window->isVisible());
    QVERIFY(m_window->quitQuestion() && m_window->quitQuestion()->isVisible());
    for (QAbstractButton* button : m_window->quitQuestion()->buttons()) {
        if (button->text() == QStringLiteral("Keep Wendle open")) {
            button->click();
        }
    }
    QTRY_VERIFY(!m_window->quitQuestion());
    QVERIFY(m_window->isVisible());
}

QTEST_MAIN(TestApplicationMenu)
#include "TestApplicationMenu.moc"
