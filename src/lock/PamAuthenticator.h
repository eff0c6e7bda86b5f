// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "lock/Authenticator.h"

#include <memory>
#include <thread>
#include <vector>

namespace wendle {

/**
 * Authenticates the account Wendle runs as through Linux-PAM (service "wendle", which PAM replaces by "other"
 * when it is not installed). `pam_authenticate` runs on a worker thread; its conversation is a small modal
 * dialog on the GUI thread that names the reason, shows PAM's prompts, information and errors (a fingerprint
 * reader only talks), and offers Cancel, which ends the attempt at once with a failure.
 *
 * A typed password is held in locked memory only while PAM needs it, then wiped. Destroying the authenticator
 * cancels what is open and joins its workers; their answers are dropped.
 */
class PamAuthenticator : public Authenticator
{
    Q_OBJECT

public:
    explicit PamAuthenticator(QString service = QStringLiteral("wendle"), QObject* parent = nullptr);
    ~PamAuthenticator() override;

    void authenticate(const QString& reason, Reply reply) override;

    /** The login name of the account this process runs as. */
    static QString currentUser();

    /** One authentication in progress, shared by the GUI thread and the PAM worker. */
    struct Attempt;

private:
    struct Worker
    {
        std::shared_ptr<Attempt> attempt;
        std::thread thread;
    };

    QString m_service;
    std::vector<Worker> m_workers;
};

} // namespace wendle
