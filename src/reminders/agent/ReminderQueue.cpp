// SPDX-License-Identifier: GPL-3.0-or-later
#include "reminders/agent/ReminderQueue.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

namespace wendle {

namespace {

const QString kFormat = QStringLiteral("org.wendle.Reminders");
constexpr int kVersion = 1;

std::optional<int> integer(const QJsonObject& object, const QString& name)
{
    const QJsonValue value = object.value(name);
    const double number = value.toDouble();
    // Range first: converting a double outside int's range (or NaN) is undefined.
    if (!value.isDouble() || !(number >= std::numeric_limits<int>::min() && number <= std::numeric_limits<int>::max())
        || number != std::trunc(number)) {
        return std::nullopt;
    }
    return static_cast<int>(number);
}

std::optional<std::vector<NotificationRequest>> parse(const QByteArray& bytes)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    const QJsonObject root = document.object();
    if (error.error != QJsonParseError::NoError || root.value(u"format").toString() != kFormat
        || root.value(u"version").toInt() != kVersion || !root.value(u"requests").isArray()) {
        return std::nullopt;
    }
    std::vector<NotificationRequest> requests;
    for (const QJsonValue& item : root.value(u"requests").toArray()) {
        const QJsonObject o = item.toObject();
        const auto year = integer(o, QStringLiteral("year"));
        const auto month = integer(o, QStringLiteral("month"));
        const auto day = integer(o, QStringLiteral("day"));
        const auto hour = integer(o, QStringLiteral("hour"));
        const auto minute = integer(o, QStringLiteral("minute"));
        if (!year || !month || !day || !hour || !minute || !o.value(u"identifier").isString()
            || !o.value(u"title").isString() || !o.value(u"body").isString()) {
            return std::nullopt;
        }
        const NotificationRequest request{o.value(u"identifier").toString(),
                                          o.value(u"title").toString(),
                                          o.value(u"body").toString(),
                                          *year,
                                          *month,
                                          *day,
                                          *hour,
                                          *minute};
        if (!ReminderQueue::isValid(request)) {
            return std::nullopt;
        }
        requests.push_back(request);
    }
    return requests;
}

} // namespace

QString ReminderQueue::defaultPath()
{
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (state.isEmpty() || QDir::isRelativePath(state)) {
        state = QDir::homePath() + QStringLiteral("/.local/state");
    }
    return state + QStringLiteral("/wendle/reminders.json");
}

ReminderQueue::ReminderQueue(QString path)
    : m_path(std::move(path))
{
}

bool ReminderQueue::isValid(const NotificationRequest& r)
{
    return !r.identifier.isEmpty() && r.month >= 1 && r.month <= 13 && r.day >= 1 && r.day <= 31 && r.hour >= 0
        && r.hour <= 23 && r.minute >= 0 && r.minute <= 59;
}

void ReminderQueue::load()
{
    m_requests.clear();
    const QFileInfo info(m_path);
    if (!info.exists() && !info.isSymLink()) {
        return;
    }
    // Only a file that was read and is not a queue goes aside; one that cannot be read is not judged.
    QFile file(m_path);
    if (!info.isFile()) {
        m_unreadable = QStringLiteral("it is not a regular file");
    } else if (info.size() <= maximumFileSize && !file.open(QIODevice::ReadOnly)) {
        m_unreadable = file.errorString();
    }
    std::optional<std::vector<NotificationRequest>> requests;
    if (m_unreadable.isEmpty() && file.isOpen()) {
        const QByteArray bytes = file.read(maximumFileSize + 1);
        if (file.error() != QFileDevice::NoError) {
            m_unreadable = file.errorString();
        } else if (bytes.size() <= maximumFileSize) {
            requests = parse(bytes);
        }
        file.close();
    }
    if (!m_unreadable.isEmpty()) {
        m_writable = false;
        return;
    }
    if (requests) {
        m_requests = std::move(*requests);
        return;
    }
    // A queue broken twice within one second must not find its place taken: rename never overwrites.
    const QString stamp
        = m_path + QStringLiteral(".broken-") + QDateTime::currentDateTimeUtc().toString(u"yyyyMMdd'T'HHmmss'Z'");
    QString aside = stamp;
    for (int repeat = 2; QFileInfo::exists(aside) && repeat < 1000; ++repeat) {
        aside = stamp + u'-' + QString::number(repeat);
    }
    if (QFile::rename(m_path, aside)) {
        m_movedAsideTo = aside;
    } else {
        m_writable = false;
    }
}

QStringList ReminderQueue::identifiers() const
{
    QStringList list;
    for (const NotificationRequest& request : m_requests) {
        list << request.identifier;
    }
    return list;
}

bool ReminderQueue::add(const NotificationRequest& request)
{
    const bool replaces = std::any_of(m_requests.begin(), m_requests.end(),
                                      [&](const NotificationRequest& r) { return r.identifier == request.identifier; });
    if (!replaces && m_requests.size() >= maximumRequests) {
        return false;
    }
    remove({request.identifier});
    m_requests.push_back(request);
    return true;
}

bool ReminderQueue::remove(const QStringList& identifiers)
{
    return std::erase_if(m_requests,
                         [&](const NotificationRequest& request) { return identifiers.contains(request.identifier); })
        > 0;
}

bool ReminderQueue::save()
{
    if (!m_writable) {
        return false;
    }
    QJsonArray requests;
    for (const NotificationRequest& r : m_requests) {
        requests.append(QJsonObject{{QStringLiteral("identifier"), r.identifier},
                                    {QStringLiteral("title"), r.title},
                                    {QStringLiteral("body"), r.body},
                                    {QStringLiteral("year"), r.year},
                                    {QStringLiteral("month"), r.month},
                                    {QStringLiteral("day"), r.day},
                                    {QStringLiteral("hour"), r.hour},
                                    {QStringLiteral("minute"), r.minute}});
    }
    const QJsonObject root{{QStringLiteral("format"), kFormat},
                           {QStringLiteral("version"), kVersion},
                           {QStringLiteral("requests"), requests}};

    const QString folder = QFileInfo(m_path).absolutePath();
    if (!QDir().mkpath(folder)) {
        return false;
    }
    QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly)) {
        return false;
    }
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    file.write(QJsonDocument(root).toJson(QJsonDocument::Compact));
    return file.commit();
}

} // namespace wendle
