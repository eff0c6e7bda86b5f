// SPDX-License-Identifier: GPL-3.0-or-later
// Wendle's network module: the updater's HTTPS client over Qt Network, loaded only when an update check starts.
#include "updates/HttpsClient.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

namespace wendle {

namespace {

class QtHttpsClient final : public HttpsClient
{
public:
    ~QtHttpsClient() override
    {
        // Nothing reaches a caller once the client is gone, not even the end of a transfer it cut short.
        for (QNetworkReply* reply : m_network.findChildren<QNetworkReply*>()) {
            reply->disconnect();
            reply->abort();
        }
    }

    void get(const QUrl& url, const QByteArray& userAgent, Received received, Finished finished) override
    {
        QNetworkRequest request(url);
        request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
        request.setRawHeader("User-Agent", userAgent);
        QNetworkReply* reply = m_network.get(request);
        // What the server sends beyond this waits in the socket: a body that runs on is never gathered in memory.
        reply->setReadBufferSize(readChunk);
        auto stopped = std::make_shared<bool>(false);
        const auto take = [reply, received, stopped] {
            while (!*stopped && reply->bytesAvailable() > 0) {
                if (!received(reply->read(readChunk))) {
                    *stopped = true;
                    reply->abort();
                }
            }
        };
        QObject::connect(reply, &QNetworkReply::readyRead, reply, take);
        QObject::connect(reply, &QNetworkReply::finished, reply, [reply, take, finished] {
            take();
            reply->deleteLater();
            finished(reply->error() == QNetworkReply::NoError ? QString() : reply->errorString());
        });
    }

private:
    static constexpr qint64 readChunk = 64 * 1024;
    QNetworkAccessManager m_network;
};

} // namespace

} // namespace wendle

extern "C" Q_DECL_EXPORT wendle::HttpsClient* wendle_create_https_client()
{
    return new wendle::QtHttpsClient;
}
