// SPDX-License-Identifier: GPL-3.0-or-later
// The application menu, and Wendle in a real system tray (trayer, started here): the icon, its panel, closing.
#include "app/MainWindow.h"
#include "app/RootView.h"
#include "app/TrayItem.h"
#include "journal/Calendar.h"
#include "journal/Clock.h"
#include "journal/DayKey.h"
#include "journal/Keychain.h"
#include "lock/AppLockController.h"
#include "reminders/ReminderScheduler.h"
#include "reminders/SettingsView.h"
#include "ui/WendleStyle.h"
#include "updates/UpdaterController.h"
#include "writing/TrayEntryView.h"
#include "writing/TrayPanel.h"

#include "Fakes.h"
#include "TempJournal.h"
#include "TrayHost.h"
#include "Widgets.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPointer>
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
    void init();
    void cleanup();
    void menuCommands();
    void iconOpensThePanelBesideIt();
    void lockedInTheTrayComesBackLocked();
    void importingBringsNoMonthRecap();

private:
    /** Unlocks through the window, and puts away the new key's recovery code. */
    void unlock()
    {
        QVERIFY(m_rig->showAndUnlock(*m_window));
        QTRY_VERIFY(m_rig->lock.isUnlocked());
        if (QDialog* newKey = m_window->rootView()->keyDialog()) {
            newKey->close();
        }
    }

    QTemporaryDir m_settings;
    std::optional<TrayHost> m_tray;
    SystemClock m_clock;
    Preferences m_preferences;
    std::unique_ptr<LockRig> m_rig;
    std::unique_ptr<UpdaterController> m_updater;
    std::unique_ptr<MainWindow> m_window;
};

void TestTray::initTestCase()
{
    if (qEnvironmentVariableIsEmpty("WENDLE_TEST_SESSION")) {
        QSKIP("needs the desktop of scripts/test-session.sh");
    }
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settings.path());
    QApplication::setStyle(new WendleStyle);
    m_tray.emplace();
    QVERIFY2(m_tray->isReady(), "trayer did not start (scripts/install-deps.sh installs it)");
    QTRY_VERIFY_WITH_TIMEOUT(QSystemTrayIcon::isSystemTrayAvailable(), 10000);
}

void TestTray::init()
{
    m_rig = std::make_unique<LockRig>();
    // An address nothing answers: a check runs, then fails.
    m_updater = std::make_unique<UpdaterController>(QUrl(QStringLiteral("https://127.0.0.1:9/appcast.xml")));
    m_window = std::make_unique<MainWindow>(m_rig->lock, m_rig->store, m_rig->scheduler, m_clock, m_preferences);
    m_window->attachUpdater(*m_updater);
}

void TestTray::cleanup()
{
    m_window.reset();
    m_updater.reset();
    m_rig.reset();
}

namespace {

/** Clicks `label` in the shown message box of `window` that says `text`. */
void answerBox(QWidget* window, const QString& text, const QString& label)
{
    QMessageBox* box = nullptr;
    QTRY_VERIFY_WITH_TIMEOUT((box = window->findChild<QMessageBox*>()) && box->isVisible() && box->text() == text,
                             10000);
    QVERIFY2(clickButton(box, label), qPrintable(label));
}

// Presses Escape in a window once it holds the focus. Without a window manager the focus can still move once to
// the window a dialog closed over, after the new window has taken it.
bool escapeCloses(QWidget* shown)
{
    const QPointer<QWidget> window = shown;
    for (int attempt = 0; attempt < 25 && window; ++attempt) {
        window->activateWindow();
        if (QTest::qWaitFor([&] { return window->isActiveWindow(); }, 200)) {
            QTest::keyClick(window, Qt::Key_Escape);
            if (QTest::qWaitFor([&] { return !window; }, 200)) {
                break;
            }
        }
    }
    return !window;
}

} // namespace

void TestTray::menuCommands()
{
    QAction* check = m_window->checkForUpdatesAction();
    QVERIFY(!check->isEnabled());
    m_window->show();
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    // Alt alone shows the menu bar over the content, and hides it again: the window keeps its size.
    const QSize size = m_window->size();
    for (const bool shown : {true, false}) {
        QTest::keyClick(m_window.get(), Qt::Key_Alt);
        QTRY_COMPARE(m_window->menuBar()->isVisible(), shown);
        QTest::qWait(50);
        QCOMPARE(m_window->size(), size);
    }
    QMenu* menu = m_window->menuBar()->actions().constFirst()->menu();

    // "Check for updates…" follows whether the updater can check, and is off while a check runs. Its outcome
    // opens over the window.
    QTRY_VERIFY(check->isEnabled());
    check->trigger();
    QVERIFY(!check->isEnabled());
    QTRY_VERIFY(check->isEnabled());
    QVERIFY(m_updater->dialog() && m_updater->dialog()->parentWidget() == m_window.get());
    QCOMPARE(m_updater->dialog()->windowModality(), Qt::WindowModal);
    m_updater->dialog()->close();
    QTRY_VERIFY(!m_updater->dialog());

    // One settings window, raised again rather than opened twice.
    m_window->settingsAction()->trigger();
    QPointer<SettingsView> settings = m_window->settingsView();
    QVERIFY(settings && settings->isVisible());
    m_window->settingsAction()->trigger();
    QCOMPARE(m_window->settingsView(), settings.data());
    QCOMPARE(m_window->findChildren<SettingsView*>().size(), 1);
    // Escape closes it, as it closes every sheet.
    QVERIFY(escapeCloses(settings));

    menu->actions().constFirst()->trigger();
    auto* about = m_window->findChild<QMessageBox*>();
    QVERIFY(about && about->isVisible());
    QVERIFY(about->informativeText().contains(m_rig->store.path()));
    // Modal to the window only, and with no picture Qt would draw itself: the theme's, if it has one.
    QCOMPARE(about->windowModality(), Qt::WindowModal);
    QCOMPARE(about->iconPixmap().isNull(), !QIcon::hasThemeIcon(QStringLiteral("dialog-information")));
    for (QAbstractButton* button : about->buttons()) {
        QVERIFY(button->icon().isNull());
    }
}

void TestTray::iconOpensThePanelBesideIt()
{
    // The desktop recolours the installed symbolic icon; the bundled one stands out on dark and light panels.
    if (!QIcon::hasThemeIcon(QStringLiteral("org.wendle.Wendle-symbolic"))) {
        for (const QColor panel : {QColor(Qt::black), QColor(Qt::white)}) {
            const QImage image = TrayItem::trayIcon(panel).pixmap(32).toImage();
            int contrast = 0;
            for (int y = 0; y < image.height(); ++y) {
                for (int x = 0; x < image.width(); ++x) {
                    const QColor pixel = image.pixelColor(x, y);
                    if (pixel.alpha() == 255) {
                        contrast = std::max(contrast, std::abs(pixel.lightness() - panel.lightness()));
                    }
                }
            }
            QVERIFY(contrast > 200);
        }
    }
    TrayItem tray(m_rig->lock, *m_updater, m_rig->store, m_rig->scheduler, m_clock, *m_window);
    QSignalSpy opened(&tray, &TrayItem::openRequested);
    tray.icon()->contextMenu()->actions().constFirst()->trigger();
    QCOMPARE(opened.count(), 1);

    // A real click on the icon the tray shows opens the panel right by it, on screen. Until the tray has
    // taken the icon in, the icon stands at the origin.
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

    // Locked, the panel asks the lock; the key it gets opens the editor. Escape puts the panel away.
    named<QAbstractButton>(panel, QStringLiteral("Unlock with password"))->click();
    m_rig->auth.answer(true);
    QTRY_VERIFY(panel->view()->isUnlocked());
    QVERIFY(named(panel, QStringLiteral("entry")));
    QTest::keyClick(named(panel, QStringLiteral("entry")), Qt::Key_Escape);
    QVERIFY(!panel->isVisible());
}

void TestTray::lockedInTheTrayComesBackLocked()
{
    TrayItem tray(m_rig->lock, *m_updater, m_rig->store, m_rig->scheduler, m_clock, *m_window);
    connect(&tray, &TrayItem::openRequested, m_window.get(), &QWidget::show);
    m_window->setKeepRunningWhenClosed(true);
    unlock();
    // Locked while put away (the idle timer, sleep), it comes back on the lock screen. Put away unlocked, it stays
    // unlocked on the Today screen: TestEndToEnd and TestRootView see to that.
    QVERIFY(m_window->close());
    m_rig->lock.lock();
    tray.icon()->contextMenu()->actions().constFirst()->trigger();
    QTRY_VERIFY(m_window->isVisible());
    QCOMPARE(m_window->rootView()->currentScreen(), m_window->rootView()->lockView());
}

void TestTray::importingBringsNoMonthRecap()
{
    // A jrnl entry of last month: on its own it would make the month recap due.
    const QDate today = QDate::fromString(journalDayKey(m_clock.now(), Calendar::current()), Qt::ISODate);
    const QString lastMonth = today.addDays(-today.day()).toString(Qt::ISODate);
    QTemporaryDir dir;
    const QString json = dir.filePath(QStringLiteral("jrnl.json"));
    QVERIFY(putFile(json,
                    R"({"entries": [{"date": ")" + lastMonth.toLatin1() + R"(", "time": "09:00", "body": "then"}]})"));

    unlock();
    QVERIFY(!m_window->rootView()->todayView()->recap());
    for (QAction* action : m_window->menuBar()->actions().constFirst()->menu()->actions()) {
        if (action->text() == QStringLiteral("Import…")) {
            action->trigger();
        }
    }
    m_rig->auth.answer(true);
    answerBox(m_window.get(), QStringLiteral("Import entries from…"), QStringLiteral("JSON file…"));
    QFileDialog* files = m_window->findChild<QFileDialog*>();
    QVERIFY(files);
    files->hide();
    Q_EMIT files->fileSelected(json);
    answerBox(m_window.get(), QStringLiteral("This would add 1 entry (0 entries skipped)."),
              QStringLiteral("Import 1 entry"));
    answerBox(m_window.get(), QStringLiteral("Imported 1 entry."), QStringLiteral("OK"));
    QVERIFY(!m_window->rootView()->todayView()->recap());
    // Nor after locking and unlocking, in this session.
    m_rig->lock.lock();
    m_rig->unlockNow();
    QTRY_VERIFY(m_window->rootView()->todayView());
    QVERIFY(!m_window->rootView()->todayView()->recap());

    // The next session shows it.
    m_window = std::make_unique<MainWindow>(m_rig->lock, m_rig->store, m_rig->scheduler, m_clock, m_preferences);
    m_window->show();
    QTRY_VERIFY(m_window->rootView()->todayView() && m_window->rootView()->todayView()->recap());
}

QTEST_MAIN(TestTray)
#include "TestTray.moc"
