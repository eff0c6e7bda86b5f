// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "reminders/NotificationCenter.h"

#include <QPointer>

#include <vector>

namespace wendle {

/**
 * A notification centre that only remembers: pending requests in insertion order, permission as set.
 * Completions arrive asynchronously, as from a real centre. It delivers nothing.
 */
class InMemoryNotificationCenter final : public NotificationCenter
{
public:
    void pendingRequestIdentifiers(QObject* context, std::function<void(const QStringList&)> completion) override;
    void removePendingRequests(const QStringList& identifiers) override;
    void requestAuthorization(QObject* context, std::function<void(bool granted)> completion) override;
    void add(const NotificationRequest& request, QObject* context, std::function<void(bool added)> completion) override;
    void whenAvailable(QObject* context, std::function<void()> callback) override;

    const std::vector<NotificationRequest>& requests() const { return m_requests; }
    /** Whether permission is granted from now on (it is at first); granting tells those waiting for it. */
    void setGranted(bool granted);
    /** How often permission was asked for. */
    int authorizationRequests() const { return m_authorizationRequests; }

private:
    std::vector<NotificationRequest> m_requests;
    struct Waiting
    {
        QPointer<QObject> context;
        std::function<void()> callback;
    };

    std::vector<Waiting> m_availabilityWatchers;
    bool m_granted = true;
    int m_authorizationRequests = 0;
};

} // namespace wendle
