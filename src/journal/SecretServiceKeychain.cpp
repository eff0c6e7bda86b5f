// SPDX-License-Identifier: GPL-3.0-or-later
#include "journal/SecretServiceKeychain.h"

#include <qt6keychain/keychain.h>

#include <QObject>

namespace wendle {

namespace {

qint32 statusOf(QKeychain::Error error)
{
    switch (error) {
    case QKeychain::NoError:
        return KeychainStatus::success;
    case QKeychain::EntryNotFound:
        return KeychainStatus::itemNotFound;
    case QKeychain::AccessDeniedByUser:
        return KeychainStatus::userCanceled;
    case QKeychain::AccessDenied:
        return KeychainStatus::authFailed;
    case QKeychain::NoBackendAvailable:
        return KeychainStatus::notAvailable;
    case QKeychain::NotImplemented:
        return KeychainStatus::unimplemented;
    case QKeychain::CouldNotDeleteEntry:
    case QKeychain::OtherError:
        break;
    }
    return KeychainStatus::internalComponent;
}

} // namespace

void SecretServiceKeychain::lookup(const KeychainItem& item, LookupReply reply)
{
    auto* job = new QKeychain::ReadPasswordJob(item.service);
    job->setAutoDelete(true);
    job->setInsecureFallback(false);
    job->setKey(item.account);
    QObject::connect(job, &QKeychain::Job::finished, job, [reply = std::move(reply)](QKeychain::Job* finished) {
        const qint32 status = statusOf(finished->error());
        if (status != KeychainStatus::success) {
            reply(status, std::nullopt);
            return;
        }
        const QByteArray data = static_cast<QKeychain::ReadPasswordJob*>(finished)->binaryData();
        reply(status, data);
    });
    job->start();
}

void SecretServiceKeychain::add(const KeychainItem& item, const QByteArray& data, AddReply reply)
{
    lookup(item, [item, data, reply = std::move(reply)](qint32 status, const std::optional<QByteArray>&) {
        if (status == KeychainStatus::success) {
            reply(KeychainStatus::duplicateItem);
            return;
        }
        if (status != KeychainStatus::itemNotFound) {
            reply(status);
            return;
        }
        auto* job = new QKeychain::WritePasswordJob(item.service);
        job->setAutoDelete(true);
        job->setInsecureFallback(false);
        job->setKey(item.account);
        job->setBinaryData(data);
        QObject::connect(job, &QKeychain::Job::finished, job,
                         [reply](QKeychain::Job* finished) { reply(statusOf(finished->error())); });
        job->start();
    });
}

} // namespace wendle
