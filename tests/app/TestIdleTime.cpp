// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/IdleTime.h"

#include <QCoreApplication>
#include <QEvent>
#include <QProcess>
#include <QTest>

using namespace wendle;

class TestIdleTime : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void x11IdleMovesWithInput();
    void ownInputAsLastResort();
};

void TestIdleTime::x11IdleMovesWithInput()
{
    std::unique_ptr<X11IdleTime> idle = X11IdleTime::open();
    QVERIFY2(idle, "needs an X server with MIT-SCREEN-SAVER: run inside scripts/test-session.sh");
    QProcess::execute(QStringLiteral("xdotool"),
                      {QStringLiteral("mousemove"), QStringLiteral("5"), QStringLiteral("5")});
    QTest::qWait(1300);
    const double before = idle->secondsSinceLastInput();
    QVERIFY2(before >= 1.0, qPrintable(QString::number(before)));

    // Input sent to the server resets the counter.
    QCOMPARE(QProcess::execute(QStringLiteral("xdotool"),
                               {QStringLiteral("mousemove"), QStringLiteral("40"), QStringLiteral("60")}),
             0);
    QTRY_VERIFY(idle->secondsSinceLastInput() < 0.5);
}

void TestIdleTime::ownInputAsLastResort()
{
    InputIdleTime idle;
    QTest::qWait(300);
    QVERIFY(idle.secondsSinceLastInput() >= 0.25);
    QObject receiver;
    QEvent press(QEvent::KeyPress);
    QCoreApplication::sendEvent(&receiver, &press);
    QVERIFY(idle.secondsSinceLastInput() < 0.1);
}

QTEST_GUILESS_MAIN(TestIdleTime)
#include "TestIdleTime.moc"
