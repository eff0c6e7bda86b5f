// SPDX-License-Identifier: GPL-3.0-or-later
// Wendle in a real system tray (trayer, inside the test session): the icon, its panel and its menu.
#include "app/AppLockController.h"
#include "app/MainWindow.h"
#include "app/TrayItem.h"
#include "app/UpdaterController.h"
#include "journal/Clock.h"
#include "journal/Keychain.h"
#include "reminders/ReminderScheduler.h"
#include "writing/MenuBarEntryView.h"
#include "writing/TrayPanel.h"

#include "Fakes.h"
#include "TempJournal.h"
#include "Widgets.h"

#include <QAbstractButton>
#include <QAction>
#include <QMenu>
#include <QProcess>
#include <QScreen>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QTest>

using namespace wendle;
using namespace wendle::test;

class TestTray : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void iconOpensThePanelAndTheWindowLivesOn();

private:
    QTemporaryDir m_settings;
    QProcess m_trayer;
};

void TestTray::initTestCase()
{
    if (qEnvironmentVariableIsEmpty("WENDLE_TEST_SESSION")) {
        QSKIP("needs the desktop of scripts/test-session.sh");
    }
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settings.path());
    m_trayer.start(QStringLiteral("trayer"),
                   {QStringLiteral("--edge"), QStringLiteral("top"), QStringLiteral("--align"), QStringLiteral("right"),
                    QStringLiteral("--SetDockType"), QStringLiteral("false"), QStringLiteral("--transparent"),
                    QStringLiteral("false")});
    QVERIFY2(m_trayer.waitForStarted(), "trayer is not installed (scripts/install-deps.sh installs it)");
    QTRY_VERIFY_WITH_TIMEOUT(QSystemTrayIcon::isSystemTrayAvailable(), 10000);
}

void TestTray::cleanupTestCase()
{
    m_trayer.terminate();
    m_trayer.waitForFinished();
}

void TestTray::iconOpensThePanelAndTheWindowLivesOn()
{
    TempJournal journal;
    ReminderScheduler scheduler;
    FakeAuthenticator authenticator;
    InMemoryKeychain keychain;
    FakeSystemEvents events;
    FakeIdleTime idle;
    AppLockController lock(authenticator, keychain, *journal.store, events, idle);
    UpdaterController updater{QUrl()};
    SystemClock clock;
    Preferences preferences;
    MainWindow window(lock, *journal.store, scheduler, clock, preferences);
    window.attachUpdater(updater);
    window.setKeepRunningWhenClosed(true);
    TrayItem tray(lock, updater, *journal.store, scheduler, clock, window);

    QCOMPARE(tray.icon()->toolTip(), QStringLiteral("wendle"));
    QStringList commands;
    for (const QAction* action : tray.icon()->contextMenu()->actions()) {
        if (!action->isSeparator()) {
            commands << action->text();
        }
    }
    QCOMPARE(commands,
             QStringList({QStringLiteral("Open wendle"), QStringLiteral("Settings…"),
                          QStringLiteral("Check for updates…"), QStringLiteral("Quit")}));

    // A real click on the icon the tray shows opens the panel right by it, on screen.
    // Until the tray has taken the icon in, it stands at the origin.
    QTRY_VERIFY_WITH_TIMEOUT(tray.icon()->geometry().right() > 100, 10000);
    const QRect icon = tray.icon()->geometry();
    QProcess::execute(QStringLiteral("xdotool"),
                      {QStringLiteral("mousemove"), QString::number(icon.center().x()),
                       QString::number(icon.center().y()), QStringLiteral("click"), QStringLiteral("1")});
    TrayPanel* panel = tray.panel();
    QTRY_VERIFY(panel->isVisible());
    const QRect placed = panel->frameGeometry();
    QVERIFY2(placed.top() > icon.bottom() && placed.top() - icon.bottom() <= 12, "the panel is not under the icon");
    QVERIFY(placed.left() <= icon.right() && placed.right() >= icon.left());
    QVERIFY(panel->screen()->availableGeometry().contains(placed));

    // Locked, the panel asks the lock; the key it gets opens the editor.
    named<QAbstractButton>(panel, QStringLiteral("unlock"))->click();
    authenticator.answer(true);
    QTRY_VERIFY(panel->view()->isUnlocked());
    QVERIFY(named(panel, QStringLiteral("entry")));
    QTRY_VERIFY(named(panel, QStringLiteral("check for updates"))->isEnabled());
    QTest::keyClick(named(panel, QStringLiteral("entry")), Qt::Key_Escape);
    QVERIFY(!panel->isVisible());

    // Closing the window leaves Wendle in the tray, still unlocked; "Open wendle" asks for it back.
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVERIFY(window.close());
    QVERIFY(!window.isVisible());
    QVERIFY(lock.isUnlocked());
    QSignalSpy opened(&tray, &TrayItem::openRequested);
    tray.icon()->contextMenu()->actions().constFirst()->trigger();
    QCOMPARE(opened.count(), 1);
}

QTEST_MAIN(TestTray)
#include "TestTray.moc"
