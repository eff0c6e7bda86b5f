// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/AppLockController.h"
#include "app/IdleTime.h"
#include "journal/Keychain.h"

#include "Fakes.h"
#include "TempJournal.h"

#include <QCoreApplication>
#include <QEvent>
#include <QProcess>
#include <QTest>

using namespace wendle;

class TestIdleTime : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void x11CounterExceptUnderWayland();
    void ownTypingNeverLocks();
};

void TestIdleTime::x11CounterExceptUnderWayland()
{
    std::unique_ptr<X11IdleTime> x11 = X11IdleTime::open();
    QVERIFY2(x11, "needs an X server with MIT-SCREEN-SAVER: run inside scripts/test-session.sh");
    const QDBusConnection nowhere
        = QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent/bus"), QStringLiteral("nowhere"));
    const std::unique_ptr<IdleTime> onX11 = IdleTime::forSession(nowhere);
    qputenv("WAYLAND_DISPLAY", "wayland-wendle-test");
    const std::unique_ptr<IdleTime> onWayland = IdleTime::forSession(nowhere);
    qunsetenv("WAYLAND_DISPLAY");

    QProcess::execute(QStringLiteral("xdotool"),
                      {QStringLiteral("mousemove"), QStringLiteral("5"), QStringLiteral("5")});
    QTest::qWait(1300);
    const double before = x11->secondsSinceLastInput();
    QVERIFY2(before >= 1.0, qPrintable(QString::number(before)));

    // Input sent to the X server resets its counter; as a Wayland client Wendle does not believe it.
    QCOMPARE(QProcess::execute(QStringLiteral("xdotool"),
                               {QStringLiteral("mousemove"), QStringLiteral("40"), QStringLiteral("60")}),
             0);
    QTRY_VERIFY(x11->secondsSinceLastInput() < 0.5);
    QVERIFY(onX11->secondsSinceLastInput() < 0.5);
    QVERIFY(onWayland->secondsSinceLastInput() >= 1.0);
}

void TestIdleTime::ownTypingNeverLocks()
{
    // A source that never sees Wendle's own typing, as XWayland's counter does not under Wayland.
    auto blind = std::make_unique<test::FakeIdleTime>();
    test::FakeIdleTime& system = *blind;
    qint64 now = 0;
    SessionIdleTime idle(std::move(blind), std::make_unique<InputIdleTime>([&now] { return now; }));
    test::FakeAuthenticator authenticator;
    InMemoryKeychain keychain;
    SystemEvents events;
    test::TempJournal journal;
    AppLockController lock(authenticator, keychain, *journal.store, events, idle);
    lock.unlock();
    authenticator.answer(true);

    // Six minutes of the idle timer's firings, with a key pressed every minute.
    QObject editor;
    for (int second = 20; second <= 360; second += 20) {
        now = second * 1000;
        system.seconds = second;
        if (second % 60 == 0) {
            QEvent press(QEvent::KeyPress);
            QCoreApplication::sendEvent(&editor, &press);
        }
        lock.checkIdle();
        QCoreApplication::processEvents();
        QVERIFY2(lock.isUnlocked(), qPrintable(QStringLiteral("locked at %1 s").arg(second)));
    }

    // Five minutes without a key lock it.
    now += 300'000;
    system.seconds += 300;
    lock.checkIdle();
    QCoreApplication::processEvents();
    QVERIFY(!lock.isUnlocked());
}

QTEST_GUILESS_MAIN(TestIdleTime)
#include "TestIdleTime.moc"
