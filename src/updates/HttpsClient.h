// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <functional>
#include <memory>

namespace wendle {

/**
 * HTTPS GETs as the updater makes them. The client lives in a module of Wendle's own, loaded at the first check
 * (`loadHttpsClient`): Qt Network brings a dozen libraries that Wendle's start has no use for. A redirect may
 * not leave HTTPS, and certificate errors end a transfer.
 */
class HttpsClient
{
public:
    /** Body bytes as they arrive, at most 64 KiB at a time; returning false stops the transfer. */
    using Received = std::function<bool(const QByteArray& bytes)>;
    /** The end of a transfer: an empty failure when the whole body arrived, else why not, in the network's words. */
    using Finished = std::function<void(const QString& failure)>;

    virtual ~HttpsClient() = default;

    /** Starts one GET; `received` and `finished` run on this thread's event loop, never after the client is gone. */
    virtual void get(const QUrl& url, const QByteArray& userAgent, Received received, Finished finished) = 0;
};

/** The name the module exports its factory under; the caller owns what it returns. */
inline constexpr char httpsClientFactory[] = "wendle_create_https_client";

/** A client from Wendle's network module beside the program; nothing, with `failure` set, when it cannot load. */
std::unique_ptr<HttpsClient> loadHttpsClient(QString* failure);

} // namespace wendle
