// SPDX-License-Identifier: GPL-3.0-or-later
#include "lock/PamAuthenticator.h"
#include "lock/PamConversationDialog.h"

#include "Widgets.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <string_view>

using namespace wendle;

class TestPamAuthenticator : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void passwords();
    void cancelFails();

private:
    std::optional<bool> run(PamAuthenticator& authenticator, const std::function<void(PamConversationDialog&)>& user);
    static PamConversationDialog* dialog();
};

void TestPamAuthenticator::initTestCase()
{
    if (qEnvironmentVariableIsEmpty("PAM_WRAPPER_SERVICE_DIR") || qEnvironmentVariableIsEmpty("WENDLE_TEST_PASSWORD")) {
        QFAIL("needs pam_wrapper: run inside scripts/test-session.sh");
    }
}

PamConversationDialog* TestPamAuthenticator::dialog()
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* conversation = qobject_cast<PamConversationDialog*>(widget);
            conversation && conversation->isVisible()) {
            return conversation;
        }
    }
    return nullptr;
}

std::optional<bool> TestPamAuthenticator::run(PamAuthenticator& authenticator,
                                              const std::function<void(PamConversationDialog&)>& user)
{
    std::optional<bool> result;
    authenticator.authenticate(QStringLiteral("unlock your journal"), [&](bool ok) { result = ok; });
    // The dialog is up at once, before PAM has said anything.
    PamConversationDialog* conversation = dialog();
    if (!conversation || !conversation->windowTitle().contains(QStringLiteral("nlock your journal"))) {
        return std::nullopt;
    }
    user(*conversation);
    QElapsedTimer timer;
    timer.start();
    while (!result && timer.elapsed() < 15000) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return result;
}

namespace {

void answer(PamConversationDialog& conversation, const QString& text)
{
    auto* field = conversation.findChild<QLineEdit*>();
    QTRY_VERIFY_WITH_TIMEOUT(field->isVisible() && field->isEnabled(), 5000);
    QCOMPARE(field->echoMode(), QLineEdit::Password);
    QTest::keyClicks(field, text);
    QTest::keyClick(field, Qt::Key_Return);
    QVERIFY(field->text().isEmpty()); // the typed secret does not linger in the field
}

} // namespace

void TestPamAuthenticator::passwords()
{
    QCOMPARE(PamAuthenticator::currentUser(), qEnvironmentVariable("WENDLE_TEST_USER"));
    // The test session's "wendle-chatty" service talks first, as a fingerprint reader does, then asks.
    for (const auto& [service, right] :
         {std::pair{"wendle", true}, std::pair{"wendle", false}, std::pair{"wendle-chatty", true}}) {
        PamAuthenticator authenticator(QString::fromLatin1(service));
        const QString password
            = right ? qEnvironmentVariable("WENDLE_TEST_PASSWORD") : QStringLiteral("not the password");
        QString shown;
        QCOMPARE(run(authenticator,
                     [&](PamConversationDialog& d) {
                         answer(d, password);
                         if (QLabel* messages = test::named<QLabel>(&d, QStringLiteral("messages"))) {
                             shown = messages->text();
                         }
                     }),
                 right);
        QTRY_VERIFY(!dialog());
        if (std::string_view(service) == "wendle-chatty") {
            // Two information and two error lines.
            QVERIFY2(shown.count(u'\n') >= 3 && shown.contains(u'⚠'), qPrintable(shown));
        }
    }
}

void TestPamAuthenticator::cancelFails()
{
    PamAuthenticator authenticator;
    QElapsedTimer timer;
    timer.start();
    const std::optional<bool> result = run(authenticator, [](PamConversationDialog& d) {
        QTRY_VERIFY_WITH_TIMEOUT(d.findChild<QLineEdit*>()->isVisible(), 5000);
        for (QPushButton* button : d.findChildren<QPushButton*>()) {
            if (button->text() == u"Cancel") {
                QTest::mouseClick(button, Qt::LeftButton);
            }
        }
    });
    QCOMPARE(result.value_or(true), false);
    QVERIFY(timer.elapsed() < 5000);

    // Gone while PAM waits for an answer, as at quit: the worker is joined, and nothing it says arrives later.
    std::optional<bool> late;
    auto gone = std::make_unique<PamAuthenticator>();
    gone->authenticate(QStringLiteral("unlock your journal"), [&](bool ok) { late = ok; });
    QTRY_VERIFY_WITH_TIMEOUT(dialog() && dialog()->findChild<QLineEdit*>()->isVisible(), 5000);
    gone.reset();
    QTest::qWait(300);
    QVERIFY(!late);
    QVERIFY(!dialog());
}

QTEST_MAIN(TestPamAuthenticator)
#include "TestPamAuthenticator.moc"
