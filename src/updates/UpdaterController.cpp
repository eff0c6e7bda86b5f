// SPDX-License-Identifier: GPL-3.0-or-later
#include "updates/UpdaterController.h"

#include "ui/MessageBox.h"
#include "updates/PackageSignature.h"
#include "updates/UpdateDialog.h"
#include "updates/VersionComparison.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QStandardPaths>

#include <memory>
#include <utility>

namespace wendle {

namespace {

QByteArray userAgent()
{
    return "Wendle/" + QCoreApplication::applicationVersion().toUtf8();
}

QString downloadFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) + QStringLiteral("/wendle/updates");
}

} // namespace

UpdaterController::UpdaterController(QUrl feed, QByteArray publicKey, QObject* parent)
    : QObject(parent)
    , m_feed(std::move(feed))
    , m_publicKey(std::move(publicKey))
{
    // Nothing runs at start: the updater is ready, and says so once the event loop delivers it.
    QMetaObject::invokeMethod(
        this, [this] { setCanCheckForUpdates(true); }, Qt::QueuedConnection);
}

UpdaterController::~UpdaterController()
{
    delete m_dialog;
}

void UpdaterController::setCanCheckForUpdates(bool can)
{
    if (m_canCheckForUpdates == can) {
        return;
    }
    m_canCheckForUpdates = can;
    Q_EMIT canCheckForUpdatesChanged();
}

void UpdaterController::checkForUpdates()
{
    if (!m_canCheckForUpdates) {
        return;
    }
    if (m_feed.isEmpty()) {
        tell(tr("Software updates"), tr("Wendle's updates come from your system's package manager."), false);
        return;
    }
    if (const QString refusal = UpdateFeed::refusal(m_feed); !refusal.isEmpty()) {
        tell(tr("Couldn't check for updates"), refusal, true);
        return;
    }
    HttpsClient* client = https(tr("Couldn't check for updates"));
    if (!client) {
        return;
    }
    setCanCheckForUpdates(false);
    m_feedDocument.clear();
    m_feedTooLarge = false;
    // Read as it comes, so a feed that runs on is stopped at the limit instead of gathered in memory.
    client->get(
        m_feed, userAgent(),
        [this](const QByteArray& bytes) {
            m_feedDocument += bytes.first(std::min(bytes.size(), UpdateFeed::maximumSize + 1 - m_feedDocument.size()));
            m_feedTooLarge = m_feedDocument.size() > UpdateFeed::maximumSize;
            return !m_feedTooLarge;
        },
        [this](const QString& failure) { onFeedFetched(failure); });
}

HttpsClient* UpdaterController::https(const QString& failedTitle)
{
    if (!m_https) {
        QString failure;
        m_https = loadHttpsClient(&failure);
        if (!m_https) {
            tell(failedTitle, tr("Wendle's network module could not be loaded: %1.").arg(failure), true);
        }
    }
    return m_https.get();
}

void UpdaterController::onFeedFetched(const QString& failure)
{
    setCanCheckForUpdates(true);
    const QByteArray document = std::exchange(m_feedDocument, {});
    if (m_feedTooLarge) {
        tell(tr("Couldn't check for updates"),
             tr("The update feed could not be read: it is larger than the %1 MiB Wendle reads.")
                 .arg(UpdateFeed::maximumSize / (1024 * 1024)),
             true);
        return;
    }
    if (!failure.isEmpty()) {
        tell(tr("Couldn't check for updates"), tr("The update feed could not be reached: %1.").arg(failure), true);
        return;
    }
    const UpdateFeed::Parsed feed = UpdateFeed::parse(document);
    if (!feed.problem.isEmpty()) {
        tell(tr("Couldn't check for updates"), tr("The update feed could not be read: %1.").arg(feed.problem), true);
        return;
    }
    const QString current = QCoreApplication::applicationVersion();
    if (!feed.newest || compareVersions(feed.newest->version, current) <= 0) {
        tell(tr("You're up to date"), tr("You're up to date: Wendle %1 is the newest version.").arg(current), false);
        return;
    }
    if (const QString problem = UpdateFeed::unverifiable(*feed.newest); !problem.isEmpty()) {
        tell(tr("Software update"), problem, true);
        return;
    }
    auto* dialog = new UpdateDialog(*feed.newest, current, dialogParent());
    useDialogLook(dialog);
    connect(dialog, &UpdateDialog::downloadRequested, this, [this, release = *feed.newest] { download(release); });
    show(dialog);
}

void UpdaterController::download(const UpdateRelease& release)
{
    if (const QString refusal = UpdateFeed::refusal(release.url); !refusal.isEmpty()) {
        tell(tr("Couldn't download the update"), refusal, true);
        return;
    }
    const QString name = QFileInfo(release.url.path()).fileName();
    if (!QDir().mkpath(downloadFolder()) || name.isEmpty()) {
        tell(tr("Couldn't download the update"), tr("There is no room to keep it in %1.").arg(downloadFolder()), true);
        return;
    }
    // The client first: without it no file is made (and left empty) for nothing.
    HttpsClient* client = https(tr("Couldn't download the update"));
    if (!client) {
        return;
    }
    auto* file = new QFile(downloadFolder() + u'/' + name, this);
    if (!file->open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        tell(tr("Couldn't download the update"),
             tr("%1 cannot be written: %2.").arg(file->fileName(), file->errorString()), true);
        delete file;
        return;
    }
    setCanCheckForUpdates(false);
    // Never more than the feed announced reaches the disk: a byte past it stops the transfer.
    auto tooLong = std::make_shared<bool>(false);
    client->get(
        release.url, userAgent(),
        [file, length = release.length, tooLong](const QByteArray& bytes) {
            const qint64 room = length - file->size();
            file->write(bytes.first(std::min<qint64>(bytes.size(), room)));
            *tooLong = bytes.size() > room;
            return !*tooLong;
        },
        [this, file, release, tooLong](const QString& failure) { onDownloaded(failure, file, release, *tooLong); });
}

void UpdaterController::onDownloaded(const QString& failure, QFile* file, const UpdateRelease& release, bool tooLong)
{
    file->deleteLater();
    setCanCheckForUpdates(true);
    file->close();
    const QString problem = tooLong ? tr("it is longer than the %1 bytes the feed announces.").arg(release.length)
        : !failure.isEmpty()
        ? failure + u'.'
        : PackageSignature::checkDownload(file->fileName(), release.length, release.signature, m_publicKey);
    if (!problem.isEmpty()) {
        file->remove();
        tell(tr("Couldn't download the update"),
             tr("The download of Wendle %1 was deleted: %2").arg(release.shortVersion, problem), true);
        return;
    }
    QMessageBox* box
        = messageBox(dialogParent(), MessageKind::information, tr("Software update"),
                     tr("Wendle %1 is downloaded and its signature is checked.").arg(release.shortVersion));
    QPushButton* open = box->addButton(tr("Open"), QMessageBox::AcceptRole);
    box->addButton(tr("Later"), QMessageBox::RejectRole);
    box->setDefaultButton(open);
    connect(open, &QPushButton::clicked, this,
            [path = file->fileName()] { QDesktopServices::openUrl(QUrl::fromLocalFile(path)); });
    show(box);
}

void UpdaterController::tell(const QString& title, const QString& text, bool problem)
{
    QMessageBox* box
        = messageBox(dialogParent(), problem ? MessageKind::warning : MessageKind::information, title, text);
    box->addButton(QMessageBox::Ok);
    show(box);
}

QWidget* UpdaterController::dialogParent() const
{
    // A check started from the tray may run while the window is hidden: its outcome then stands alone.
    return m_window && m_window->isVisible() ? m_window.data() : nullptr;
}

void UpdaterController::show(QWidget* dialog)
{
    // Closed rather than deleted: the dialog being replaced may be the one whose button led here.
    if (m_dialog) {
        m_dialog->close();
    }
    m_dialog = dialog;
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
}

} // namespace wendle
