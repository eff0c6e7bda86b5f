// SPDX-License-Identifier: GPL-3.0-or-later
#include "journal/SecretServiceKeychain.h"

#include "journal/LockedBuffer.h"
#include "journal/RuntimeLibrary.h"
#include "journal/SystemLog.h"

#include <QThreadPool>

#include <libsecret/secret.h>

#include <cstring>
#include <optional>
#include <syslog.h>

namespace wendle {

namespace {

// The functions of libsecret (with GIO's) that Wendle calls; everything else of GLib comes with Qt.
struct LibSecret
{
    decltype(&::secret_service_search) serviceSearch = nullptr;
    decltype(&::secret_service_search_finish) serviceSearchFinish = nullptr;
    decltype(&::secret_item_get_locked) itemGetLocked = nullptr;
    decltype(&::secret_item_get_secret) itemGetSecret = nullptr;
    decltype(&::secret_item_get_attributes) itemGetAttributes = nullptr;
    decltype(&::secret_item_set_secret) itemSetSecret = nullptr;
    decltype(&::secret_item_set_secret_finish) itemSetSecretFinish = nullptr;
    decltype(&::secret_item_set_attributes) itemSetAttributes = nullptr;
    decltype(&::secret_item_set_attributes_finish) itemSetAttributesFinish = nullptr;
    decltype(&::secret_value_new) valueNew = nullptr;
    decltype(&::secret_value_get) valueGet = nullptr;
    decltype(&::secret_value_unref) valueUnref = nullptr;
    decltype(&::secret_password_store) passwordStore = nullptr;
    decltype(&::secret_password_store_finish) passwordStoreFinish = nullptr;
    decltype(&::secret_error_get_quark) errorQuark = nullptr;
    decltype(&::g_io_error_quark) ioErrorQuark = nullptr;
    decltype(&::g_dbus_error_quark) dbusErrorQuark = nullptr;
    decltype(&::g_object_unref) objectUnref = nullptr;
};

std::optional<LibSecret> open()
{
    RuntimeLibrary library("libsecret-1.so.0");
    LibSecret functions;
    const bool complete = library.resolve("secret_service_search", functions.serviceSearch)
        && library.resolve("secret_service_search_finish", functions.serviceSearchFinish)
        && library.resolve("secret_item_get_locked", functions.itemGetLocked)
        && library.resolve("secret_item_get_secret", functions.itemGetSecret)
        && library.resolve("secret_item_get_attributes", functions.itemGetAttributes)
        && library.resolve("secret_item_set_secret", functions.itemSetSecret)
        && library.resolve("secret_item_set_secret_finish", functions.itemSetSecretFinish)
        && library.resolve("secret_item_set_attributes", functions.itemSetAttributes)
        && library.resolve("secret_item_set_attributes_finish", functions.itemSetAttributesFinish)
        && library.resolve("secret_value_new", functions.valueNew)
        && library.resolve("secret_value_get", functions.valueGet)
        && library.resolve("secret_value_unref", functions.valueUnref)
        && library.resolve("secret_password_store", functions.passwordStore)
        && library.resolve("secret_password_store_finish", functions.passwordStoreFinish)
        && library.resolve("secret_error_get_quark", functions.errorQuark)
        && library.resolve("g_io_error_quark", functions.ioErrorQuark)
        && library.resolve("g_dbus_error_quark", functions.dbusErrorQuark)
        && library.resolve("g_object_unref", functions.objectUnref);
    if (!complete) {
        logToSystem(LOG_ERR, QStringLiteral("the keyring library cannot be used: %1").arg(library.failure()));
        return std::nullopt;
    }
    return functions;
}

// The library, opened at the first call from any thread; nothing when it is not installed or lacks a function.
const LibSecret* libSecret()
{
    return openedOnce<LibSecret, open>();
}

// Opened by the public calls before anything below runs.
const LibSecret& secret()
{
    return *libSecret();
}

const SecretSchema* itemSchema()
{
    static const SecretSchema schema = {"org.qt.keychain",
                                        SECRET_SCHEMA_DONT_MATCH_NAME,
                                        {{"user", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                         {"server", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                         {"type", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                         {nullptr, SECRET_SCHEMA_ATTRIBUTE_STRING}},
                                        0,
                                        nullptr,
                                        nullptr,
                                        nullptr,
                                        nullptr,
                                        nullptr,
                                        nullptr,
                                        nullptr};
    return &schema;
}

KeychainStatus statusOf(const GError* error)
{
    if (error->domain == secret().errorQuark()) {
        switch (error->code) {
        case SECRET_ERROR_NO_SUCH_OBJECT:
            return KeychainStatus::NotFound;
        case SECRET_ERROR_IS_LOCKED:
            return KeychainStatus::Locked;
        default:
            return KeychainStatus::Failed;
        }
    }
    if (error->domain == secret().ioErrorQuark() && error->code == G_IO_ERROR_CANCELLED) {
        return KeychainStatus::Cancelled;
    }
    // No Secret Service on the bus, or no bus: the keyring is not running.
    if (error->domain == secret().dbusErrorQuark() || error->domain == secret().ioErrorQuark()) {
        return KeychainStatus::Unavailable;
    }
    return KeychainStatus::Failed;
}

// The status an operation ended with, freeing its error: success when there is none.
KeychainStatus statusAfter(GError* error)
{
    if (!error) {
        return KeychainStatus::Success;
    }
    const KeychainStatus status = statusOf(error);
    g_error_free(error);
    return status;
}

GHashTable* attributesOf(const KeychainItem& item)
{
    GHashTable* attributes = g_hash_table_new_full(g_str_hash, g_str_equal, g_free, g_free);
    g_hash_table_insert(attributes, g_strdup("user"), g_strdup(item.account.toUtf8().constData()));
    g_hash_table_insert(attributes, g_strdup("server"), g_strdup(item.service.toUtf8().constData()));
    return attributes;
}

// The item's data as the caller stored it: binary items are kept in base64.
std::optional<QByteArray> dataOf(SecretItem* item)
{
    SecretValue* value = secret().itemGetSecret(item);
    if (!value) {
        return std::nullopt;
    }
    gsize length = 0;
    const gchar* bytes = secret().valueGet(value, &length);
    QByteArray raw(bytes, static_cast<qsizetype>(length));
    secret().valueUnref(value);

    GHashTable* attributes = secret().itemGetAttributes(item);
    const auto* type = static_cast<const char*>(g_hash_table_lookup(attributes, "type"));
    const bool base64 = type && std::strcmp(type, "base64") == 0;
    g_hash_table_unref(attributes);
    if (!base64) {
        return raw;
    }
    QByteArray decoded = QByteArray::fromBase64(raw);
    wipeBytes(raw);
    return decoded;
}

struct LookupCall
{
    Keychain::LookupReply reply;
};

void onSearched(GObject*, GAsyncResult* result, gpointer data)
{
    std::unique_ptr<LookupCall> call(static_cast<LookupCall*>(data));
    GError* error = nullptr;
    GList* items = secret().serviceSearchFinish(nullptr, result, &error);
    if (error) {
        call->reply(statusAfter(error), std::nullopt);
        return;
    }
    KeychainStatus status = KeychainStatus::NotFound;
    std::optional<QByteArray> found;
    for (GList* node = items; node; node = node->next) {
        auto* item = static_cast<SecretItem*>(node->data);
        if (secret().itemGetLocked(item)) {
            // There is an item, but the keyring kept it shut (the unlock prompt was dismissed or failed).
            status = KeychainStatus::Locked;
            continue;
        }
        found = dataOf(item);
        status = found ? KeychainStatus::Success : KeychainStatus::Locked;
        if (found) {
            break;
        }
    }
    g_list_free_full(items, secret().objectUnref);
    call->reply(status, found);
    if (found) {
        wipeBytes(*found);
    }
}

struct WriteCall
{
    Keychain::WriteReply reply;
};

void onStored(GObject*, GAsyncResult* result, gpointer data)
{
    std::unique_ptr<WriteCall> call(static_cast<WriteCall*>(data));
    GError* error = nullptr;
    secret().passwordStoreFinish(result, &error);
    call->reply(statusAfter(error));
}

struct PendingWrite
{
    KeychainItem item;
    std::shared_ptr<const QByteArray> data;
    Keychain::WriteReply reply;
};

void storeNew(const PendingWrite& pending)
{
    QByteArray encoded = pending.data->toBase64();
    const QByteArray label = QStringLiteral("%1 (%2)").arg(pending.item.account, pending.item.service).toUtf8();
    secret().passwordStore(itemSchema(), SECRET_COLLECTION_DEFAULT, label.constData(), encoded.constData(), nullptr,
                           onStored, new WriteCall{pending.reply}, "user", pending.item.account.toUtf8().constData(),
                           "server", pending.item.service.toUtf8().constData(), "type", "base64", nullptr);
    wipeBytes(encoded);
}

void onAttributesSet(GObject* source, GAsyncResult* result, gpointer data)
{
    std::unique_ptr<WriteCall> call(static_cast<WriteCall*>(data));
    GError* error = nullptr;
    secret().itemSetAttributesFinish(reinterpret_cast<SecretItem*>(source), result, &error);
    call->reply(statusAfter(error));
}

void onSecretSet(GObject* source, GAsyncResult* result, gpointer data)
{
    std::unique_ptr<PendingWrite> pending(static_cast<PendingWrite*>(data));
    GError* error = nullptr;
    secret().itemSetSecretFinish(reinterpret_cast<SecretItem*>(source), result, &error);
    if (error) {
        pending->reply(statusAfter(error));
        return;
    }
    // The data is base64 now, whatever the item said before.
    GHashTable* attributes = attributesOf(pending->item);
    g_hash_table_insert(attributes, g_strdup("type"), g_strdup("base64"));
    secret().itemSetAttributes(reinterpret_cast<SecretItem*>(source), itemSchema(), attributes, nullptr,
                               onAttributesSet, new WriteCall{std::move(pending->reply)});
    g_hash_table_unref(attributes);
}

// The existing item's data is replaced where the item is, in whichever collection holds it.
void replaceIn(SecretItem* item, std::unique_ptr<PendingWrite> pending)
{
    QByteArray encoded = pending->data->toBase64();
    SecretValue* value = secret().valueNew(encoded.constData(), encoded.size(), "text/plain");
    wipeBytes(encoded);
    secret().itemSetSecret(item, value, nullptr, onSecretSet, pending.release());
    secret().valueUnref(value);
}

void onFoundForWrite(GObject*, GAsyncResult* result, gpointer data)
{
    std::unique_ptr<PendingWrite> pending(static_cast<PendingWrite*>(data));
    GError* error = nullptr;
    GList* items = secret().serviceSearchFinish(nullptr, result, &error);
    if (error) {
        pending->reply(statusAfter(error));
        return;
    }
    SecretItem* target = nullptr;
    bool locked = false;
    for (GList* node = items; node && !target; node = node->next) {
        auto* item = static_cast<SecretItem*>(node->data);
        if (secret().itemGetLocked(item)) {
            locked = true;
        } else {
            target = item;
        }
    }
    if (target) {
        replaceIn(target, std::move(pending));
    } else if (locked) {
        // Storing elsewhere would leave the locked item beside a second one of the same name.
        pending->reply(KeychainStatus::Locked);
    } else {
        storeNew(*pending);
    }
    g_list_free_full(items, secret().objectUnref);
}

} // namespace

void SecretServiceKeychain::lookup(const KeychainItem& item, LookupReply reply)
{
    if (!libSecret()) {
        reply(KeychainStatus::Unavailable, std::nullopt);
        return;
    }
    GHashTable* attributes = attributesOf(item);
    const auto flags
        = static_cast<SecretSearchFlags>(SECRET_SEARCH_ALL | SECRET_SEARCH_UNLOCK | SECRET_SEARCH_LOAD_SECRETS);
    secret().serviceSearch(nullptr, itemSchema(), attributes, flags, nullptr, onSearched,
                           new LookupCall{std::move(reply)});
    g_hash_table_unref(attributes);
}

void SecretServiceKeychain::add(const KeychainItem& item, const QByteArray& data, WriteReply reply)
{
    lookup(item,
           [this, item, data = heldSecret(data), reply = std::move(reply)](KeychainStatus status,
                                                                           const std::optional<QByteArray>&) {
               if (status == KeychainStatus::Success) {
                   reply(KeychainStatus::Duplicate);
                   return;
               }
               if (status != KeychainStatus::NotFound) {
                   reply(status);
                   return;
               }
               write(item, *data, reply);
           });
}

void SecretServiceKeychain::write(const KeychainItem& item, const QByteArray& data, WriteReply reply)
{
    if (!libSecret()) {
        reply(KeychainStatus::Unavailable);
        return;
    }
    // Replaced where it lives: storing into the default collection would leave two items of the same name.
    GHashTable* attributes = attributesOf(item);
    const auto flags = static_cast<SecretSearchFlags>(SECRET_SEARCH_ALL | SECRET_SEARCH_UNLOCK);
    secret().serviceSearch(nullptr, itemSchema(), attributes, flags, nullptr, onFoundForWrite,
                           new PendingWrite{item, heldSecret(data), std::move(reply)});
    g_hash_table_unref(attributes);
}

void SecretServiceKeychain::loadInBackground()
{
    QThreadPool::globalInstance()->start([] { static_cast<void>(libSecret()); });
}

} // namespace wendle
