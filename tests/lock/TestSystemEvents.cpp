// SPDX-License-Identifier: GPL-3.0-or-later
// What the lock takes from the system: sleep, screen and session events, idle time, and the password through PAM.
#include "lock/IdleTime.h"
#include "lock/PamAuthenticator.h"
#include "lock/PamConversationDialog.h"
#include "lock/SystemEvents.h"

#include "Widgets.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusUnixFileDescriptor>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QThread>

#include <atomic>
#include <fcntl.h>
#include <string_view>
#include <unistd.h>
#include <utility>

using namespace wendle;

namespace {

constexpr const char* kSessionPath = "/org/freedesktop/login1/session/fake";

/** Stands in for logind on a bus of the test's own. */
class FakeLogin : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")

public:
    std::atomic<int> inhibitCalls{0};

public Q_SLOTS:
    QDBusUnixFileDescriptor Inhibit(const QString& what, const QString&, const QString&, const QString& mode)
    {
        if (what == u"sleep" && mode == u"delay") {
            ++inhibitCalls;
        }
        const int held = ::open("/dev/null", O_RDONLY); // the descriptor keeps its own copy
        QDBusUnixFileDescriptor descriptor(held);
        ::close(held);
        return descriptor;
    }
    QDBusObjectPath GetSessionByPID(uint) { return QDBusObjectPath(QString::fromLatin1(kSessionPath)); }
};

/** Stands in for KDE's screen saver, which reports the session's idle time in milliseconds. */
class FakeScreenSaver : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.ScreenSaver")

public Q_SLOTS:
    uint GetSessionIdleTime() { return 5000; }
};

/** Stands in for GNOME's idle monitor: answers the first question, then hangs, as a frozen shell does. */
class HangingIdleMonitor : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.gnome.Mutter.IdleMonitor")

public:
    int calls = 0;

public Q_SLOTS:
    quint64 GetIdletime()
    {
        if (calls++ > 0) {
            setDelayedReply(true); // and never sent
        }
        return 7000;
    }
};

/** A desktop's count that never sees the application's own input, as XWayland's does not under Wayland. */
class BlindDesktop : public DesktopIdleTime
{
public:
    std::optional<double> secondsSinceLastInput() override { return seconds; }
    double seconds = 0;
};

PamConversationDialog* pamDialog()
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* conversation = qobject_cast<PamConversationDialog*>(widget);
            conversation && conversation->isVisible()) {
            return conversation;
        }
    }
    return nullptr;
}

/** Asks `authenticator` and lets `user` answer the dialog: the answer, or none when the dialog or answer never comes.
 */
std::optional<bool> authenticate(PamAuthenticator& authenticator,
                                 const std::function<void(PamConversationDialog&)>& user)
{
    std::optional<bool> result;
    authenticator.authenticate(QStringLiteral("unlock your journal"), [&](bool ok) { result = ok; });
    // The dialog is up at once, before PAM has said anything.
    PamConversationDialog* conversation = pamDialog();
    if (!conversation || !conversation->windowTitle().contains(QStringLiteral("nlock your journal"))) {
        return std::nullopt;
    }
    user(*conversation);
    return QTest::qWaitFor([&] { return result.has_value(); }, 15000) ? result : std::nullopt;
}

} // namespace

class TestSystemEvents : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void sleepScreensAndSessionLock();
    void idleTimeSourcesAndAHungDesktop();
    void ownTypingNeverLocks();
    void pamPasswordsAndCancel();

private:
    void emitSignal(const char* path, const char* interface, const char* name, const QVariantList& args = {})
    {
        QDBusMessage message = QDBusMessage::createSignal(QString::fromLatin1(path), QString::fromLatin1(interface),
                                                          QString::fromLatin1(name));
        message.setArguments(args);
        QVERIFY(m_serviceBus->send(message));
    }
    void emitSleep(bool sleeping)
    {
        emitSignal("/org/freedesktop/login1", "org.freedesktop.login1.Manager", "PrepareForSleep", {sleeping});
    }

    QThread m_serviceThread;
    FakeLogin m_login;
    FakeScreenSaver m_screenSaver;
    std::unique_ptr<QDBusConnection> m_serviceBus;
};

void TestSystemEvents::initTestCase()
{
    QVERIFY2(QDBusConnection::sessionBus().isConnected(), "needs a session bus: run inside scripts/test-session.sh");
    // The services answer from a thread of their own: the code under test makes blocking calls.
    m_serviceThread.start();
    m_serviceBus = std::make_unique<QDBusConnection>(
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("fake-services")));
    for (const auto& [object, name] : {std::pair<QObject*, const char*>{&m_login, "login1"},
                                       std::pair<QObject*, const char*>{&m_screenSaver, "ScreenSaver"}}) {
        object->moveToThread(&m_serviceThread);
        QVERIFY(m_serviceBus->registerObject(QStringLiteral("/org/freedesktop/") + QLatin1String(name), object,
                                             QDBusConnection::ExportAllSlots));
        QVERIFY(m_serviceBus->registerService(QStringLiteral("org.freedesktop.") + QLatin1String(name)));
    }
}

void TestSystemEvents::cleanupTestCase()
{
    m_serviceThread.quit();
    m_serviceThread.wait();
}

void TestSystemEvents::sleepScreensAndSessionLock()
{
    // The test session's bus stands in for the system bus.
    DBusSystemEvents events(QDBusConnection::sessionBus(), QDBusConnection::sessionBus());
    QSignalSpy sleeping(&events, &SystemEvents::willSleep);
    QSignalSpy waking(&events, &SystemEvents::didWake);
    QSignalSpy screens(&events, &SystemEvents::screensDidSleep);
    QTRY_VERIFY(events.holdsSleepInhibitor()); // the session is known by now
    const int inhibits = m_login.inhibitCalls;

    emitSleep(true);
    QTRY_COMPARE(sleeping.count(), 1);
    // Held until the journal says it is locked, then the machine may sleep.
    QTest::qWait(50);
    QVERIFY(events.holdsSleepInhibitor());
    events.readyToSleep();
    QVERIFY(!events.holdsSleepInhibitor());
    QCOMPARE(waking.count(), 0);
    emitSleep(false);
    QTRY_COMPARE(waking.count(), 1);
    QTRY_VERIFY(events.holdsSleepInhibitor());
    QCOMPARE(m_login.inhibitCalls, inhibits + 1);

    // Either screen saver going active, or the session locking, is a display sleep; going inactive is not.
    emitSignal("/org/freedesktop/ScreenSaver", "org.freedesktop.ScreenSaver", "ActiveChanged", {true});
    QTRY_COMPARE(screens.count(), 1);
    emitSignal("/org/freedesktop/ScreenSaver", "org.freedesktop.ScreenSaver", "ActiveChanged", {false});
    emitSignal("/org/gnome/ScreenSaver", "org.gnome.ScreenSaver", "ActiveChanged", {true});
    QTRY_COMPARE(screens.count(), 2);
    emitSignal(kSessionPath, "org.freedesktop.login1.Session", "Lock");
    QTRY_COMPARE(screens.count(), 3);
    QTest::qWait(100);
    QCOMPARE(screens.count(), 3);
}

void TestSystemEvents::idleTimeSourcesAndAHungDesktop()
{
    // No GNOME here: the freedesktop screen saver answers, in milliseconds. Five seconds idle are not 5000.
    std::unique_ptr<DBusIdleTime> idle = DBusIdleTime::open(QDBusConnection::sessionBus());
    QVERIFY(idle);
    QTRY_VERIFY(idle->secondsSinceLastInput());
    const double screenSaver = *idle->secondsSinceLastInput();
    QVERIFY2(screenSaver >= 5.0 && screenSaver < 6.0, qPrintable(QString::number(screenSaver)));

    // Without a bus there are no events and no desktop idle time, and nothing fails.
    const QDBusConnection nowhere
        = QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent/bus"), QStringLiteral("nowhere"));
    DBusSystemEvents events(nowhere, nowhere);
    QTest::qWait(50);
    QVERIFY(!events.holdsSleepInhibitor());
    QVERIFY(!DBusIdleTime::open(nowhere));

    // The X server's counter serves, except under Wayland.
    std::unique_ptr<X11IdleTime> x11 = X11IdleTime::open();
    QVERIFY2(x11, "needs an X server with MIT-SCREEN-SAVER: run inside scripts/test-session.sh");
    const std::unique_ptr<IdleTime> onX11 = IdleTime::forSession(nowhere);
    qputenv("WAYLAND_DISPLAY", "wayland-wendle-test");
    const std::unique_ptr<IdleTime> onWayland = IdleTime::forSession(nowhere);
    qunsetenv("WAYLAND_DISPLAY");

    QProcess::execute(QStringLiteral("xdotool"), QStringLiteral("mousemove 5 5").split(u' '));
    QTest::qWait(1300);
    const double before = x11->secondsSinceLastInput().value_or(0);
    QVERIFY2(before >= 1.0, qPrintable(QString::number(before)));

    // Input sent to the X server resets its counter; as a Wayland client Wendle does not believe it.
    QCOMPARE(QProcess::execute(QStringLiteral("xdotool"), QStringLiteral("mousemove 40 60").split(u' ')), 0);
    QTRY_VERIFY(x11->secondsSinceLastInput().value_or(1) < 0.5);
    QVERIFY(onX11->secondsSinceLastInput() < 0.5);
    QVERIFY(onWayland->secondsSinceLastInput() >= 1.0);

    // GNOME's idle monitor, hanging after its first answer. Served from this thread: only a caller that never waits
    // lets it answer at all.
    HangingIdleMonitor monitor;
    QDBusConnection gnome = QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("fake-gnome"));
    QVERIFY(gnome.registerObject(QStringLiteral("/org/gnome/Mutter/IdleMonitor/Core"), &monitor,
                                 QDBusConnection::ExportAllSlots));
    QVERIFY(gnome.registerService(QStringLiteral("org.gnome.Mutter.IdleMonitor")));

    // GNOME's monitor is preferred to the screen saver. Nothing is known until it answers, then the answer is.
    QElapsedTimer clock;
    clock.start();
    std::unique_ptr<DBusIdleTime> desktop = DBusIdleTime::open(QDBusConnection::sessionBus());
    QVERIFY2(clock.elapsed() < 50, qPrintable(QStringLiteral("opening took %1 ms").arg(clock.elapsed())));
    QVERIFY(desktop);
    QVERIFY(!desktop->secondsSinceLastInput());
    QTRY_VERIFY(desktop->secondsSinceLastInput());
    const double answered = *desktop->secondsSinceLastInput();
    QVERIFY2(answered >= 7.0 && answered < 8.0, qPrintable(QString::number(answered)));

    // Now it hangs: every read returns at once, the last answer aged meanwhile, with one question out at a time.
    double last = answered;
    for (int read = 0; read < 10; ++read) {
        QTest::qWait(30);
        clock.restart();
        const std::optional<double> seconds = desktop->secondsSinceLastInput();
        QVERIFY2(clock.elapsed() < 50, qPrintable(QStringLiteral("a read took %1 ms").arg(clock.elapsed())));
        QVERIFY(seconds && *seconds >= last);
        last = *seconds;
    }
    QVERIFY2(last >= answered + 0.25, qPrintable(QString::number(last)));
    QCOMPARE(monitor.calls, 2);

    // A desktop that has never answered leaves the application's own input to count alone.
    qint64 now = 0;
    SessionIdleTime session(DBusIdleTime::open(QDBusConnection::sessionBus()),
                            std::make_unique<InputIdleTime>([&now] { return now; }));
    now = 400'000;
    clock.restart();
    QCOMPARE(session.secondsSinceLastInput(), 400.0);
    QVERIFY(clock.elapsed() < 50);

    // A monitor that refuses the question (its name is taken, nothing answers behind it) gives way to the screen
    // saver, which answers in milliseconds.
    gnome.unregisterObject(QStringLiteral("/org/gnome/Mutter/IdleMonitor/Core"));
    const std::unique_ptr<DBusIdleTime> refused = DBusIdleTime::open(QDBusConnection::sessionBus());
    QVERIFY(refused);
    QTRY_VERIFY(refused->secondsSinceLastInput().value_or(0) >= 5.0);
    QVERIFY(*refused->secondsSinceLastInput() < 6.0);
    QVERIFY(gnome.unregisterService(QStringLiteral("org.gnome.Mutter.IdleMonitor")));
    QDBusConnection::disconnectFromBus(QStringLiteral("fake-gnome"));
}

void TestSystemEvents::ownTypingNeverLocks()
{
    // A source that never sees Wendle's own typing, as XWayland's counter does not under Wayland.
    auto blind = std::make_unique<BlindDesktop>();
    BlindDesktop& system = *blind;
    qint64 now = 0;
    SessionIdleTime idle(std::move(blind), std::make_unique<InputIdleTime>([&now] { return now; }));

    // Six minutes with a key pressed every minute: never a minute idle, however the blind source climbs.
    QObject editor;
    for (int second = 20; second <= 360; second += 20) {
        now = second * 1000;
        system.seconds = second;
        if (second % 60 == 0) {
            QEvent press(QEvent::KeyPress);
            QCoreApplication::sendEvent(&editor, &press);
        }
        QVERIFY2(idle.secondsSinceLastInput() < 60, qPrintable(QStringLiteral("idle at %1 s").arg(second)));
    }
    // Five minutes without a key are five minutes.
    now += 300'000;
    system.seconds += 300;
    QVERIFY(idle.secondsSinceLastInput() >= 300);
}

void TestSystemEvents::pamPasswordsAndCancel()
{
    QVERIFY2(!qEnvironmentVariableIsEmpty("PAM_WRAPPER_SERVICE_DIR"),
             "needs pam_wrapper: run inside scripts/test-session.sh");
    QCOMPARE(PamAuthenticator::currentUser(), qEnvironmentVariable("WENDLE_TEST_USER"));
    // The test session's "wendle-chatty" service talks first, as a fingerprint reader does, then asks.
    for (const auto& [service, right] :
         {std::pair{"wendle", true}, std::pair{"wendle", false}, std::pair{"wendle-chatty", true}}) {
        PamAuthenticator authenticator(QString::fromLatin1(service));
        const QString password
            = right ? qEnvironmentVariable("WENDLE_TEST_PASSWORD") : QStringLiteral("not the password");
        QString shown;
        QCOMPARE(authenticate(authenticator,
                              [&](PamConversationDialog& d) {
                                  auto* field = d.findChild<QLineEdit*>();
                                  QTRY_VERIFY_WITH_TIMEOUT(field->isVisible() && field->isEnabled(), 5000);
                                  QCOMPARE(field->echoMode(), QLineEdit::Password);
                                  QTest::keyClicks(field, password);
                                  QTest::keyClick(field, Qt::Key_Return);
                                  QVERIFY(field->text().isEmpty()); // the typed secret does not linger
                                  if (QLabel* messages = test::named<QLabel>(&d, QStringLiteral("messages"))) {
                                      shown = messages->text();
                                  }
                              }),
                 right);
        QTRY_VERIFY(!pamDialog());
        if (std::string_view(service) == "wendle-chatty") {
            // Two information and two error lines.
            QVERIFY2(shown.count(u'\n') >= 3 && shown.contains(u'⚠'), qPrintable(shown));
        }
    }

    // Cancel fails at once.
    PamAuthenticator authenticator;
    QElapsedTimer timer;
    timer.start();
    const std::optional<bool> result = authenticate(authenticator, [](PamConversationDialog& d) {
        QTRY_VERIFY_WITH_TIMEOUT(d.findChild<QLineEdit*>()->isVisible(), 5000);
        QVERIFY(test::clickButton(&d, QStringLiteral("Cancel")));
    });
    QCOMPARE(result.value_or(true), false);
    QVERIFY(timer.elapsed() < 5000);

    // Gone while PAM waits for an answer, as at quit: the worker is joined, and nothing it says arrives later.
    std::optional<bool> late;
    auto gone = std::make_unique<PamAuthenticator>();
    gone->authenticate(QStringLiteral("unlock your journal"), [&](bool ok) { late = ok; });
    QTRY_VERIFY_WITH_TIMEOUT(pamDialog() && pamDialog()->findChild<QLineEdit*>()->isVisible(), 5000);
    gone.reset();
    QTest::qWait(300);
    QVERIFY(!late);
    QVERIFY(!pamDialog());
}

QTEST_MAIN(TestSystemEvents)
#include "TestSystemEvents.moc"
