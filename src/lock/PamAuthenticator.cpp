// SPDX-License-Identifier: GPL-3.0-or-later
#include "lock/PamAuthenticator.h"

#include "lock/PamConversationDialog.h"

#include <QApplication>
#include <QPointer>

#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <optional>
#include <pwd.h>
#include <security/pam_appl.h>
#include <thread>
#include <unistd.h>

namespace wendle {

/** One authentication, shared by the GUI thread and the PAM worker. */
struct PamAuthenticator::Attempt
{
    std::mutex mutex;
    std::condition_variable answeredOrCancelled;
    std::optional<PamConversationDialog::Answer> answer; // set (possibly to null) when a question is answered
    bool cancelled = false;
    /** Where the worker's news goes, under `mutex`; null once the authenticator is gone. */
    QObject* home = nullptr;
    /** The worker has nothing left to do, so joining it does not wait. */
    std::atomic<bool> workerDone = false;

    // GUI thread only.
    QPointer<PamConversationDialog> dialog;
    Reply reply;

    /** Answers the caller once; later calls do nothing. */
    void finish(bool authenticated)
    {
        if (dialog) {
            dialog->hide();
            dialog->deleteLater();
        }
        if (Reply done = std::move(reply)) {
            reply = nullptr;
            done(authenticated);
        }
    }

    void cancel()
    {
        {
            std::lock_guard lock(mutex);
            cancelled = true;
        }
        answeredOrCancelled.notify_all();
    }

    /** Runs `work` on the GUI thread, unless the authenticator is gone. */
    void post(std::function<void()> work)
    {
        std::lock_guard lock(mutex);
        if (home) {
            QMetaObject::invokeMethod(home, std::move(work), Qt::QueuedConnection);
        }
    }
};

namespace {

int converse(int count, const struct pam_message** messages, struct pam_response** responses, void* data)
{
    auto* attempt = static_cast<std::shared_ptr<PamAuthenticator::Attempt>*>(data)->get();
    auto shared = *static_cast<std::shared_ptr<PamAuthenticator::Attempt>*>(data);
    if (count <= 0 || count > PAM_MAX_NUM_MSG) {
        return PAM_CONV_ERR;
    }
    auto* replies
        = static_cast<struct pam_response*>(std::calloc(static_cast<std::size_t>(count), sizeof(pam_response)));
    if (!replies) {
        return PAM_BUF_ERR;
    }
    const auto fail = [&] {
        for (int i = 0; i < count; ++i) {
            if (replies[i].resp) {
                explicit_bzero(replies[i].resp, std::strlen(replies[i].resp));
                std::free(replies[i].resp);
            }
        }
        std::free(replies);
        return PAM_CONV_ERR;
    };

    for (int i = 0; i < count; ++i) {
        const int style = messages[i]->msg_style;
        const QString text = QString::fromLocal8Bit(messages[i]->msg ? messages[i]->msg : "");
        if (style == PAM_TEXT_INFO || style == PAM_ERROR_MSG) {
            shared->post([shared, text, error = style == PAM_ERROR_MSG] {
                if (shared->dialog) {
                    shared->dialog->tell(text, error);
                }
            });
            continue;
        }
        if (style != PAM_PROMPT_ECHO_OFF && style != PAM_PROMPT_ECHO_ON) {
            return fail();
        }
        {
            std::lock_guard lock(attempt->mutex);
            attempt->answer.reset();
        }
        shared->post([shared, text, secret = style == PAM_PROMPT_ECHO_OFF] {
            if (!shared->dialog) {
                shared->cancel();
                return;
            }
            shared->dialog->ask(text, secret, [shared](PamConversationDialog::Answer answer) {
                {
                    std::lock_guard lock(shared->mutex);
                    shared->answer = std::move(answer);
                }
                shared->answeredOrCancelled.notify_all();
            });
        });
        std::unique_lock lock(attempt->mutex);
        attempt->answeredOrCancelled.wait(lock, [&] { return attempt->cancelled || attempt->answer.has_value(); });
        if (attempt->cancelled || !*attempt->answer) {
            lock.unlock();
            return fail();
        }
        // PAM frees the response itself, so it gets its own copy; ours is wiped with the locked buffer.
        const char* secret = reinterpret_cast<const char*>((*attempt->answer)->data());
        replies[i].resp = strdup(secret);
        attempt->answer.reset();
        if (!replies[i].resp) {
            lock.unlock();
            return fail();
        }
    }
    *responses = replies;
    return PAM_SUCCESS;
}

bool runPam(const QByteArray& service, const QByteArray& user, std::shared_ptr<PamAuthenticator::Attempt> attempt)
{
    std::shared_ptr<PamAuthenticator::Attempt> holder = attempt;
    const struct pam_conv conversation = {converse, &holder};
    pam_handle_t* handle = nullptr;
    if (pam_start(service.constData(), user.constData(), &conversation, &handle) != PAM_SUCCESS) {
        return false;
    }
    const int result = pam_authenticate(handle, 0);
    pam_end(handle, result);
    return result == PAM_SUCCESS;
}

} // namespace

PamAuthenticator::PamAuthenticator(QString service, QObject* parent)
    : Authenticator(parent)
    , m_service(std::move(service))
{
}

PamAuthenticator::~PamAuthenticator()
{
    // Nothing more reaches this object; a question still open is cancelled, and PAM is waited for.
    for (Worker& worker : m_workers) {
        {
            std::lock_guard lock(worker.attempt->mutex);
            worker.attempt->home = nullptr;
        }
        worker.attempt->cancel();
        worker.thread.join();
        worker.attempt->reply = nullptr;
        delete worker.attempt->dialog;
    }
}

QString PamAuthenticator::currentUser()
{
    if (const passwd* account = getpwuid(geteuid())) {
        return QString::fromLocal8Bit(account->pw_name);
    }
    return QString::fromLocal8Bit(qgetenv("USER"));
}

void PamAuthenticator::authenticate(const QString& reason, Reply reply)
{
    auto attempt = std::make_shared<Attempt>();
    attempt->reply = std::move(reply);
    attempt->dialog = new PamConversationDialog(reason, QApplication::activeWindow());
    attempt->dialog->setAttribute(Qt::WA_DeleteOnClose, false);
    QObject::connect(attempt->dialog, &QDialog::rejected, attempt->dialog, [attempt] {
        // Cancel answers at once: a fingerprint reader may keep PAM busy for half a minute more.
        attempt->cancel();
        attempt->finish(false);
    });
    attempt->dialog->show();
    attempt->home = this;

    // Workers of attempts that have ended are joined now; they no longer wait for anything.
    std::erase_if(m_workers, [](Worker& worker) {
        if (!worker.attempt->workerDone) {
            return false;
        }
        worker.thread.join();
        return true;
    });
    const QByteArray service = m_service.toLocal8Bit();
    const QByteArray user = currentUser().toLocal8Bit();
    m_workers.push_back({attempt, std::thread([service, user, attempt] {
                             const bool authenticated = runPam(service, user, attempt);
                             attempt->post([attempt, authenticated] { attempt->finish(authenticated); });
                             attempt->workerDone = true;
                         })});
}

} // namespace wendle
