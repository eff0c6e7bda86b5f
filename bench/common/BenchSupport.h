// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "lock/Authenticator.h"
#include "lock/IdleTime.h"

namespace wendle::bench {

/** Says yes when told to. */
class WaitingAuthenticator : public Authenticator
{
public:
    void authenticate(const QString&, Reply reply) override { pending = std::move(reply); }
    Reply pending;
};

/** Someone always at the keyboard. */
class NoIdle : public IdleTime
{
public:
    double secondsSinceLastInput() override { return 0; }
};

} // namespace wendle::bench
