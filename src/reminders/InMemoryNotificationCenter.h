// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "reminders/NotificationCenter.h"

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

    const std::vector<NotificationRequest>& requests() const { return m_requests; }
    /** Whether permission is granted from now on (it is at first). */
    void setGranted(bool granted) { m_granted = granted; }
    /** How often permission was asked for. */
    int authorizationRequests() const { return m_authorizationRequests; }

private:
    std::vector<NotificationRequest> m_requests;
    bool m_granted = true;
    int m_authorizationRequests = 0;
};

} // namespace wendle
