// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class QObject;

namespace wendle {

/**
 * One pending notification: shown once, when the wall clock of the user's calendar reaches the given
 * year, month, day, hour and minute (calendar fields only: no time zone, no seconds, never repeating).
 */
struct NotificationRequest
{
    QString identifier;
    QString title;
    QString body;
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;

    bool operator==(const NotificationRequest&) const = default;
};

/**
 * Where pending one-shot notifications are kept until their moment, whether or not Wendle runs then.
 *
 * Every call returns at once. A completion runs later on the thread of `context`, and never once `context`
 * is gone. Calls made one after another reach the centre in that order.
 */
class NotificationCenter
{
public:
    virtual ~NotificationCenter() = default;

    /** The identifiers of every pending request, of any origin. None when the centre cannot be reached. */
    virtual void pendingRequestIdentifiers(QObject* context, std::function<void(const QStringList&)> completion) = 0;
    /** Drops the pending requests with these identifiers; unknown ones are ignored. */
    virtual void removePendingRequests(const QStringList& identifiers) = 0;
    /** Whether notifications with an alert and a sound may be shown; false also when asking failed. */
    virtual void requestAuthorization(QObject* context, std::function<void(bool granted)> completion) = 0;
    /** Adds a request, replacing a pending one with the same identifier; whether it was taken. */
    virtual void add(const NotificationRequest& request, QObject* context, std::function<void(bool added)> completion)
        = 0;
    /**
     * Calls `callback` on the thread of `context`, while `context` lives, each time the centre may have become
     * able to take requests it could not take before (it, or what it shows notifications through, came up).
     */
    virtual void whenAvailable(QObject* context, std::function<void()> callback) = 0;
};

} // namespace wendle
