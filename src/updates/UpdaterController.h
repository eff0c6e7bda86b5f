// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "updates/HttpsClient.h"
#include "updates/PackageSignature.h"
#include "updates/UpdateFeed.h"

#include <QObject>
#include <QPointer>

#include <memory>

class QFile;
class QWidget;

namespace wendle {

/**
 * Software updates from the update feed, checked only when asked. A check shows its outcome in its own
 * dialogs: up to date, a newer release with its notes and "Download", or what went wrong. A download is kept
 * only when its length and its Ed25519 signature (against the key built into Wendle) are right, and then
 * offered to the desktop to open. Everything goes over HTTPS; certificate errors end the transfer.
 *
 * Nothing is read past its limit: a feed larger than `UpdateFeed::maximumSize` ends the check, and a download
 * is stopped at the first byte past the length its feed announces. A release whose download has no announced
 * length, or one above `UpdateFeed::maximumDownloadLength`, is not offered; nor is one that is not newer than
 * the running version.
 *
 * Downloads are checked against `publicKey` (base64), Wendle's own release key unless another is given.
 *
 * `canCheckForUpdates` is false while a check or download runs. Its first value arrives after creation,
 * through the event loop. Without a configured feed, a check says updates come from the package manager.
 */
class UpdaterController : public QObject
{
    Q_OBJECT

public:
    explicit UpdaterController(QUrl feed = UpdateFeed::configured(),
                               QByteArray publicKey = PackageSignature::builtInPublicKey(), QObject* parent = nullptr);
    ~UpdaterController() override;

    bool canCheckForUpdates() const { return m_canCheckForUpdates; }
    /** Starts a user-initiated check; does nothing while one runs. */
    void checkForUpdates();

    /** Dialogs open over `window`, modal to it, while it is shown. */
    void setWindow(QWidget* window) { m_window = window; }
    /** The dialog telling how the last check or download went, while it is shown. */
    QWidget* dialog() const { return m_dialog; }

Q_SIGNALS:
    void canCheckForUpdatesChanged();

private:
    void setCanCheckForUpdates(bool can);
    /** The network module's client, loaded at the first transfer; nothing (and the reason told) when it cannot be. */
    HttpsClient* https(const QString& failedTitle);
    void onFeedFetched(const QString& failure);
    void download(const UpdateRelease& release);
    void onDownloaded(const QString& failure, QFile* file, const UpdateRelease& release, bool tooLong);
    void show(QWidget* dialog);
    void tell(const QString& title, const QString& text, bool problem);
    QWidget* dialogParent() const;

    QUrl m_feed;
    QByteArray m_publicKey;
    std::unique_ptr<HttpsClient> m_https;
    QByteArray m_feedDocument;
    bool m_feedTooLarge = false;
    bool m_canCheckForUpdates = false;
    QPointer<QWidget> m_dialog;
    QPointer<QWidget> m_window;
};

} // namespace wendle
