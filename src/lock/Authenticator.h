// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>

#include <functional>

namespace wendle {

/** Proves that the device's owner is present (password, fingerprint: whatever the system asks for). */
class Authenticator : public QObject
{
    Q_OBJECT

public:
    /** True only for a successful authentication; failure, cancelling or no means to ask all give false. */
    using Reply = std::function<void(bool authenticated)>;

    using QObject::QObject;

    /** Starts one authentication and answers exactly once, later, on the calling (GUI) thread. */
    virtual void authenticate(const QString& reason, Reply reply) = 0;
};

} // namespace wendle
