// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/WendleApp.h"

#include "app/InstanceLock.h"
#include "app/MainWindow.h"
#include "app/QuickEntry.h"
#include "app/RootView.h"
#include "app/StartupWarmUp.h"
#include "app/Translations.h"
#include "app/TrayItem.h"
#include "journal/Clock.h"
#include "journal/EntryStore.h"
#include "journal/OwnWords.h"
#include "journal/Preferences.h"
#include "journal/SecretServiceKeychain.h"
#include "journal/Spelling.h"
#include "journal/SyncEngine.h"
#include "journal/SystemLog.h"
#include "journal/TerminationSignals.h"
#include "lock/AppLockController.h"
#include "lock/IdleTime.h"
#include "lock/PamAuthenticator.h"
#include "lock/SystemEvents.h"
#include "reminders/AgentNotificationCenter.h"
#include "reminders/ReminderScheduler.h"
#include "ui/MessageBox.h"
#include "ui/Palette.h"
#include "ui/WendleStyle.h"
#include "updates/UpdaterController.h"
#include "writing/Autosave.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QMessageBox>
#include <QSystemTrayIcon>
#include <QThread>
#include <QTimer>

#include <cstdio>
#include <syslog.h>

namespace wendle {

namespace {

const QString kServiceName = QStringLiteral("org.wendle.Wendle");
const QString kObjectPath = QStringLiteral("/org/wendle/Wendle");

/** What a second launch calls on the first one: org.freedesktop.Application.Activate, or ActivateAction("new-entry").
 */
class ActivationService : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Application")

public:
    explicit ActivationService(WendleApp& app)
        : QObject(&app)
        , m_app(app)
    {
    }

public Q_SLOTS:
    Q_SCRIPTABLE void Activate(const QVariantMap&) { m_app.activate(); }
    Q_SCRIPTABLE void ActivateAction(const QString& name, const QVariantList&, const QVariantMap&)
    {
        if (name == WendleApp::quickEntryAction) {
            m_app.openQuickEntry();
        }
    }

private:
    WendleApp& m_app;
};

} // namespace

WendleApp::WendleApp(int& argc, char** argv)
    : QApplication(argc, argv)
{
    setOrganizationName(QStringLiteral("wendle"));
    setApplicationName(QStringLiteral("wendle"));
    setApplicationDisplayName(QStringLiteral("Wendle"));
    setDesktopFileName(QStringLiteral("org.wendle.Wendle"));
    setApplicationVersion(QStringLiteral(WENDLE_VERSION));
    setQuitOnLastWindowClosed(true);
    m_translations = std::make_unique<Translations>(QLocale::system().uiLanguages());
}

WendleApp::~WendleApp() = default;

int WendleApp::run(StartupWarmUp& warmUp)
{
    // The date data loads on another thread while the journal opens and the services start.
    warmUp.startDates();
    // The light look, whatever the desktop's theme, from the first message on. The desktop's own colour stays
    // known for the tray icon, which lies on the desktop's panel.
    m_desktopWindowColour = palette().color(QPalette::Window);
    setStyle(new WendleStyle);
    setPalette(Palette::lightPalette());
    m_quickEntryWanted = arguments().contains(QStringLiteral("--quick-entry"));
    QString error;
    switch (becomeTheOnlyInstance(&error)) {
    case Instance::only:
        break;
    case Instance::another:
        return 0;
    case Instance::failed:
        return failToStart(error + tr("\n\nWendle will close now."));
    }

    m_preferences = std::make_unique<Preferences>();

    m_clock = std::make_unique<SystemClock>();
    const QString path = EntryStore::defaultPath();
    // The whole-file check, whose cost grows with the journal, runs behind the lock screen (startJournal).
    m_store = EntryStore::openUnchecked(path, &error, *m_clock);
    if (!m_store) {
        return failToStart(untouchedJournal(error));
    }

    m_keychain = std::make_unique<SecretServiceKeychain>();
    m_authenticator = std::make_unique<PamAuthenticator>();
    // The buses are joined after the lock screen's first paint (joinTheSession).
    m_systemEvents = std::make_unique<DBusSystemEvents>();
    m_idleTime = std::make_unique<SessionIdleTime>(nullptr, std::make_unique<InputIdleTime>());
    // Reminders go to the agent, which delivers them while Wendle is closed; it is started if absent.
    m_notificationCenter = std::make_unique<AgentNotificationCenter>(AgentNotificationCenter::defaultAgentProgram());
    m_scheduler = std::make_unique<ReminderScheduler>(*m_notificationCenter, *m_clock);
    m_lock = std::make_unique<AppLockController>(*m_authenticator, *m_keychain, *m_store, *m_systemEvents, *m_idleTime);
    // The words the user added to the dictionary are as private as the entries: open only while they are.
    connect(m_lock.get(), &AppLockController::keyChanged, this, [this] {
        if (m_lock->isUnlocked()) {
            openOwnWords(Spelling::shared(), *m_store, m_lock->key());
        } else {
            Spelling::shared().forgetOwnWords();
        }
    });
    m_updater = std::make_unique<UpdaterController>();

    // The outcome of this last attempt is read after the event loop ends, from the store itself.
    connect(this, &QCoreApplication::aboutToQuit, this, &WendleApp::saveEverything);
    connect(this, &QGuiApplication::commitDataRequest, this, [this] {
        if (!saveEverything()) {
            logToSystem(LOG_WARNING,
                        QStringLiteral("the session is ending and the latest writing could not be saved "
                                       "yet: %1; trying again before quitting")
                            .arg(m_store->saveFailure()));
        }
    });
    watchTerminationSignals();

    warmUp.wait();
    m_window = std::make_unique<MainWindow>(*m_lock, *m_store, *m_scheduler, *m_clock, *m_preferences);
    m_window->attachUpdater(*m_updater);
    connect(m_store.get(), &EntryStore::integrityChecked, this, &WendleApp::startJournal);
    // The check starts once the lock screen has painted, so that it does not compete with that; without a paint
    // (a window that opens minimised) it starts a little later anyway.
    m_window->rootView()->lockView()->installEventFilter(this);
    if (m_quickEntryWanted) {
        // The panel alone: no lock screen paints, so the check starts at once.
        QTimer::singleShot(0, this, &WendleApp::startAfterFirstPaint);
    } else {
        QTimer::singleShot(checkFallbackMilliseconds, this, &WendleApp::startAfterFirstPaint);
        m_window->show();
    }
    const int status = exec();
    if (m_store->integrity() == EntryStore::Integrity::refused) {
        return 1;
    }
    // aboutToQuit has made the last attempt.
    if (m_store->hasUnsavedChanges()) {
        logToSystem(
            LOG_ERR,
            QStringLiteral("the latest writing could not be saved and is lost: %1").arg(m_store->saveFailure()));
        return 1;
    }
    return status;
}

bool WendleApp::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Paint && m_store) {
        watched->removeEventFilter(this);
        QMetaObject::invokeMethod(this, &WendleApp::startAfterFirstPaint, Qt::QueuedConnection);
    }
    return QApplication::eventFilter(watched, event);
}

void WendleApp::startAfterFirstPaint()
{
    if (m_startedAfterPaint) {
        return;
    }
    m_startedAfterPaint = true;
    m_store->checkIntegrity();
    // The keyring is first needed at unlock; its library loads meanwhile, off the lock screen's path.
    SecretServiceKeychain::loadInBackground();
    joinTheSession();
}

void WendleApp::joinTheSession()
{
    claimBusName();
    // Sleep, screen locks and idleness matter only once the journal is unlocked, which is after this paint.
    m_systemEvents->listen(QDBusConnection::systemBus(), QDBusConnection::sessionBus());
    m_idleTime->setDesktop(IdleTime::desktopSource(QDBusConnection::sessionBus()));
    m_notificationCenter->connectTo(QDBusConnection::sessionBus());
}

void WendleApp::startJournal()
{
    if (m_store->integrity() != EntryStore::Integrity::sound) {
        // Refused over the lock screen, which never unlocks: nothing can be typed into this file.
        const QString message = untouchedJournal(m_store->refusal());
        std::fprintf(stderr, "wendle: %s\n", qPrintable(message.section(u'\n', 0, 0)));
        QMessageBox* box = showMessage(m_window.get(), MessageKind::critical, QStringLiteral("Wendle"), message);
        connect(box, &QDialog::finished, this, [] { QCoreApplication::exit(1); });
        return;
    }
    startSync();
    // The tray can unlock and take writing, so it comes only once the file may be written.
    if (QSystemTrayIcon::isSystemTrayAvailable()) {
        // The lock, the scheduler and the updater live on in the tray while the window is closed.
        m_tray = std::make_unique<TrayItem>(*m_lock, *m_updater, *m_store, *m_scheduler, *m_clock, *m_window,
                                            m_desktopWindowColour);
        connect(m_tray.get(), &TrayItem::openRequested, this, &WendleApp::activate);
        m_window->setKeepRunningWhenClosed(true);
        setQuitOnLastWindowClosed(false);
        m_quickEntry = &m_tray->quickEntry();
    } else {
        m_quickEntry = new QuickEntry(*m_lock, *m_updater, *m_store, *m_scheduler, *m_clock, this);
    }
    // Opened alone, the panel leaves nothing behind: without the window or a tray, Wendle ends with it.
    connect(m_quickEntry, &QuickEntry::closed, this, [this] {
        if (!m_tray && !m_window->isVisible() && !m_lock->authInFlight()) {
            m_window->quit();
        }
    });
    if (m_quickEntryWanted) {
        openQuickEntry();
    }
}

void WendleApp::startSync()
{
    m_sync = std::make_unique<SyncEngine>(*m_store, *m_clock);
    m_sync->setFolder(m_preferences->string(QString::fromLatin1(PreferenceKeys::syncFolder)).value_or(QString()));
    const auto followLock = [this] {
        if (m_lock->isUnlocked()) {
            m_sync->unlocked(m_lock->key());
        } else {
            m_sync->locked();
        }
    };
    connect(m_lock.get(), &AppLockController::keyChanged, m_sync.get(), followLock);
    followLock();
    m_window->attachSync(*m_sync);
}

void WendleApp::openQuickEntry()
{
    m_quickEntryWanted = !m_quickEntry;
    if (m_quickEntry) {
        m_quickEntry->openAlone();
    }
}

QString WendleApp::untouchedJournal(const QString& error)
{
    return error + tr("\n\nWendle has not changed the file. It will close now.");
}

int WendleApp::failToStart(const QString& message)
{
    std::fprintf(stderr, "wendle: %s\n", qPrintable(message.section(u'\n', 0, 0)));
    // There is no window yet: the message stands alone, before the event loop would start.
    messageBox(nullptr, MessageKind::critical, QStringLiteral("Wendle"), message)->exec();
    return 1;
}

void WendleApp::activate()
{
    if (!m_window) {
        return;
    }
    m_window->show();
    m_window->setWindowState((m_window->windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    m_window->raise();
    m_window->activateWindow();
}

WendleApp::Instance WendleApp::becomeTheOnlyInstance(QString* error)
{
    // The lock file decides, without waiting for the session bus: the bus name follows the first paint.
    const QString folder = QFileInfo(EntryStore::defaultPath()).absolutePath();
    if (!QDir().mkpath(folder)) {
        *error = tr("Couldn't create Wendle's data folder %1.").arg(folder);
        return Instance::failed;
    }
    m_instanceLock = std::make_unique<InstanceLock>(folder + QStringLiteral("/wendle.lock"));
    const InstanceLock::Result lock = m_instanceLock->take();
    if (lock == InstanceLock::Result::taken) {
        return Instance::only;
    }
    if (lock == InstanceLock::Result::heldElsewhere) {
        handOverToRunningInstance();
        return Instance::another;
    }
    // A folder that cannot be written is not another instance: saying "already running" would hide the cause.
    *error = tr("Couldn't use Wendle's data folder %1: %2.")
                 .arg(folder,
                      lock == InstanceLock::Result::notWritable ? tr("it cannot be written")
                                                                : tr("its lock file cannot be created"));
    return Instance::failed;
}

void WendleApp::handOverToRunningInstance()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected()) {
        // A Wendle that is starting claims its name once its window has painted: give it that moment.
        QDeadlineTimer deadline(handOverWaitMilliseconds);
        while (!bus.interface()->isServiceRegistered(kServiceName) && !deadline.hasExpired()) {
            QThread::msleep(20);
        }
        const QString application = QStringLiteral("org.freedesktop.Application");
        QDBusMessage call = m_quickEntryWanted
            ? QDBusMessage::createMethodCall(kServiceName, kObjectPath, application, QStringLiteral("ActivateAction"))
                << quickEntryAction << QVariantList() << QVariantMap()
            : QDBusMessage::createMethodCall(kServiceName, kObjectPath, application, QStringLiteral("Activate"))
                << QVariantMap();
        if (bus.call(call, QDBus::Block, handOverWaitMilliseconds).type() == QDBusMessage::ReplyMessage) {
            std::fprintf(stderr,
                         m_quickEntryWanted ? "wendle: already running; its quick-entry panel was opened\n"
                                            : "wendle: already running; its window was raised\n");
            return;
        }
    }
    std::fprintf(stderr, "wendle: already running\n");
}

void WendleApp::claimBusName()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        return;
    }
    const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> reply = bus.interface()->registerService(
        kServiceName, QDBusConnectionInterface::DontQueueService, QDBusConnectionInterface::DontAllowReplacement);
    if (reply.value() != QDBusConnectionInterface::ServiceRegistered) {
        // Another Wendle, of another data folder, has the name: a second launch raises that one.
        logToSystem(LOG_NOTICE,
                    QStringLiteral("%1 is taken by another Wendle; launching Wendle again will not raise this one")
                        .arg(kServiceName));
        return;
    }
    bus.registerObject(kObjectPath, new ActivationService(*this), QDBusConnection::ExportScriptableSlots);
}

void WendleApp::watchTerminationSignals()
{
    m_terminationSignals = std::make_unique<TerminationSignals>();
    if (!m_terminationSignals->isWatching()) {
        logToSystem(LOG_WARNING,
                    QStringLiteral("termination signals cannot be watched; writing not yet saved when one "
                                   "arrives is lost"));
        return;
    }
    // Straight out of the event loop: a terminating process must not stop to ask a question.
    connect(m_terminationSignals.get(), &TerminationSignals::received, this, [] { QCoreApplication::exit(0); });
}

bool WendleApp::saveEverything()
{
    // Every pending autosave runs now, with the key it was scheduled with, then the store is written.
    Autosave::runAllNow();
    return !m_store || !m_store->hasUnsavedChanges() || m_store->save();
}

} // namespace wendle

#include "WendleApp.moc"
