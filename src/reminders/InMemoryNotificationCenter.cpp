// SPDX-License-Identifier: GPL-3.0-or-later
#include "reminders/InMemoryNotificationCenter.h"

#include <QObject>

#include <algorithm>

namespace wendle {

void InMemoryNotificationCenter::pendingRequestIdentifiers(QObject* context,
                                                           std::function<void(const QStringList&)> completion)
{
    QStringList identifiers;
    for (const NotificationRequest& request : m_requests) {
        identifiers << request.identifier;
    }
    QMetaObject::invokeMethod(
        context, [completion = std::move(completion), identifiers] { completion(identifiers); }, Qt::QueuedConnection);
}

void InMemoryNotificationCenter::removePendingRequests(const QStringList& identifiers)
{
    std::erase_if(m_requests,
                  [&](const NotificationRequest& request) { return identifiers.contains(request.identifier); });
}

void InMemoryNotificationCenter::requestAuthorization(QObject* context, std::function<void(bool granted)> completion)
{
    ++m_authorizationRequests;
    QMetaObject::invokeMethod(
        context, [completion = std::move(completion), granted = m_granted] { completion(granted); },
        Qt::QueuedConnection);
}

void InMemoryNotificationCenter::add(const NotificationRequest& request, QObject* context,
                                     std::function<void(bool added)> completion)
{
    removePendingRequests({request.identifier});
    m_requests.push_back(request);
    QMetaObject::invokeMethod(
        context, [completion = std::move(completion)] { completion(true); }, Qt::QueuedConnection);
}

void InMemoryNotificationCenter::whenAvailable(QObject* context, std::function<void()> callback)
{
    m_availabilityWatchers.push_back({context, std::move(callback)});
}

void InMemoryNotificationCenter::setGranted(bool granted)
{
    m_granted = granted;
    if (!granted) {
        return;
    }
    std::erase_if(m_availabilityWatchers, [](const Waiting& waiting) { return !waiting.context; });
    for (const Waiting& waiting : m_availabilityWatchers) {
        QMetaObject::invokeMethod(waiting.context, waiting.callback, Qt::QueuedConnection);
    }
}

} // namespace wendle
