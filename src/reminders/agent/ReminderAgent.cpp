// SPDX-License-Identifier: GPL-3.0-or-later
#include "reminders/agent/ReminderAgent.h"

#include "journal/Calendar.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QFileInfo>
#include <QProcess>

#include <algorithm>
#include <optional>
#include <utility>

namespace wendle {

namespace {

constexpr qint64 kRecheckMs = 30 * 1000;
constexpr qint64 kMissedLimitSeconds = 12 * 3600;
// Each write waits for the disk (several milliseconds): a re-plan's 40-odd changes share one.
constexpr int kSaveDelayMs = 50;
const QStringList kTimeZoneFiles{QStringLiteral("/etc/localtime"), QStringLiteral("/etc/timezone")};

/** When a request's wall-clock time comes in `calendar`: a skipped time at the next moment, a repeated one at its
 * first. */
std::optional<QDateTime> firingMoment(const NotificationRequest& request, const Calendar& calendar)
{
    const std::optional<QDateTime> day = calendar.date(request.year, request.month, request.day);
    if (!day) {
        return std::nullopt;
    }
    return calendar.atTime(*day, request.hour, request.minute);
}

} // namespace

ReminderAgent::ReminderAgent(QDBusConnection sessionBus, QDBusConnection systemBus, ReminderQueue& queue,
                             QObject* parent)
    : QObject(parent)
    , m_bus(std::move(sessionBus))
    , m_queue(queue)
    , m_notifications(m_bus)
{
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &ReminderAgent::check);
    m_saveTimer.setSingleShot(true);
    connect(&m_saveTimer, &QTimer::timeout, this, &ReminderAgent::save);
    connect(&m_notifications, &DesktopNotifications::activated, this, &ReminderAgent::openWendle);
    systemBus.connect(QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
                      QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("PrepareForSleep"), this,
                      SLOT(onPrepareForSleep(bool)));
    watchTimeZone();
    connect(&m_timeZoneWatcher, &QFileSystemWatcher::fileChanged, this, [this] {
        // Replacing the file ends its watch: watch the new one.
        watchTimeZone();
        check();
    });
}

ReminderAgent::~ReminderAgent()
{
    if (m_saveTimer.isActive()) {
        save();
    }
}

void ReminderAgent::queueChanged()
{
    if (!m_saveTimer.isActive()) {
        m_saveTimer.start(kSaveDelayMs);
    }
}

void ReminderAgent::save()
{
    m_saveTimer.stop();
    const bool saved = m_queue.save();
    for (const QDBusMessage& call : std::exchange(m_unanswered, {})) {
        m_bus.send(saved ? call.createReply()
                         : call.createErrorReply(QDBusError::Failed,
                                                 QStringLiteral("the reminder queue could not "
                                                                "be written")));
    }
}

void ReminderAgent::watchTimeZone()
{
    for (const QString& file : kTimeZoneFiles) {
        if (QFileInfo::exists(file) && !m_timeZoneWatcher.files().contains(file)) {
            m_timeZoneWatcher.addPath(file);
        }
    }
}

void ReminderAgent::check()
{
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const Calendar calendar = Calendar::current();
    std::optional<QDateTime> next;
    QStringList done;
    for (const NotificationRequest& request : m_queue.requests()) {
        const std::optional<QDateTime> moment = firingMoment(request, calendar);
        if (moment && *moment > now) {
            next = next ? std::min(*next, *moment) : *moment;
            continue;
        }
        if (moment && moment->secsTo(now) < kMissedLimitSeconds) {
            m_notifications.show(request);
        }
        done << request.identifier;
    }
    if (!done.isEmpty()) {
        m_queue.remove(done);
        queueChanged();
    }
    qint64 wait = kRecheckMs;
    if (next) {
        wait = std::clamp(now.msecsTo(*next), qint64(0), kRecheckMs);
    }
    m_timer.start(std::chrono::milliseconds(wait));
    m_nextCheck = now.addMSecs(wait);
}

QStringList ReminderAgent::PendingRequestIdentifiers()
{
    return m_queue.identifiers();
}

void ReminderAgent::RemovePendingRequests(const QStringList& identifiers)
{
    if (m_queue.remove(identifiers)) {
        queueChanged();
    }
}

bool ReminderAgent::RequestAuthorization()
{
    setDelayedReply(true);
    m_notifications.probe(
        [bus = connection(), call = message()](bool answered) { bus.send(call.createReply(answered)); });
    return false;
}

void ReminderAgent::AddRequest(const QString& identifier, const QString& title, const QString& body, int year,
                               int month, int day, int hour, int minute)
{
    const NotificationRequest request{identifier, title, body, year, month, day, hour, minute};
    if (!ReminderQueue::isValid(request)) {
        sendErrorReply(QDBusError::InvalidArgs, QStringLiteral("not a one-shot request with a real clock time"));
        return;
    }
    if (!m_queue.isWritable()) {
        sendErrorReply(QDBusError::AccessDenied,
                       QStringLiteral("the reminder queue's file could not be read, and is not written over"));
        return;
    }
    if (!m_queue.add(request)) {
        sendErrorReply(QDBusError::LimitsExceeded,
                       QStringLiteral("the reminder queue is full (%1 requests)").arg(ReminderQueue::maximumRequests));
        return;
    }
    // The answer waits for the write, so an acknowledged request survives the agent being killed.
    setDelayedReply(true);
    m_unanswered << message();
    queueChanged();
    // Only a request due before the next look at the clock needs one now.
    const std::optional<QDateTime> moment = firingMoment(request, Calendar::current());
    if (!moment || *moment < m_nextCheck) {
        check();
    }
}

void ReminderAgent::onPrepareForSleep(bool sleeping)
{
    if (!sleeping) {
        check();
    }
}

void ReminderAgent::openWendle(const QString& activationToken)
{
    const QString wendle = QStringLiteral("org.wendle.Wendle");
    if (m_bus.interface()->isServiceRegistered(wendle)) {
        QDBusMessage call
            = QDBusMessage::createMethodCall(wendle, QStringLiteral("/org/wendle/Wendle"),
                                             QStringLiteral("org.freedesktop.Application"), QStringLiteral("Activate"));
        QVariantMap platformData;
        if (!activationToken.isEmpty()) {
            platformData.insert(QStringLiteral("activation-token"), activationToken);
        }
        call << platformData;
        m_bus.asyncCall(call);
        return;
    }
    const QString beside = QCoreApplication::applicationDirPath() + QStringLiteral("/wendle");
    const QString program = QFileInfo(beside).isExecutable() ? beside : QStringLiteral("wendle");
    QProcess process;
    process.setProgram(program);
    if (!activationToken.isEmpty()) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_ACTIVATION_TOKEN"), activationToken);
        process.setProcessEnvironment(environment);
    }
    process.startDetached();
}

} // namespace wendle
