// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <mutex>
#include <optional>

namespace wendle {

/**
 * A system library opened when it is first needed rather than linked: what the lock screen does not use should
 * not delay its first paint. It stays loaded for the rest of the process (the GLib-based ones cannot forget
 * the types they registered). Its functions are looked up by name, each into a pointer of its own type.
 */
class RuntimeLibrary
{
public:
    /** Opens the library by its versioned name ("libsecret-1.so.0"); see `isOpen` and `failure`. */
    explicit RuntimeLibrary(const char* soname);
    /**
     * One of Wendle's own modules ("https" for lib/wendle/libwendle-https.so), found beside the program and never
     * through a search path: bin/wendle finds lib/wendle/ in the build as under /usr.
     */
    static RuntimeLibrary ownModule(const char* name);

    bool isOpen() const { return m_handle != nullptr; }
    /** Why the library or its last function could not be found, in the loader's words. */
    QString failure() const { return m_failure; }

    /** Points `function` at the library's `name`; false, with `failure` set, when it has none. */
    template <typename Function> [[nodiscard]] bool resolve(const char* name, Function& function)
    {
        function = reinterpret_cast<Function>(symbol(name));
        return function != nullptr;
    }

private:
    void* symbol(const char* name);

    void* m_handle = nullptr;
    QString m_failure;
};

/**
 * The functions `open` resolves, opened by the first caller on whichever thread it runs (a second caller waits for
 * it) and kept for the process; nothing when `open` gave none, which it reports itself, once.
 */
template <typename Functions, std::optional<Functions> (*open)()> const Functions* openedOnce()
{
    static std::once_flag opened;
    static std::optional<Functions> functions;
    std::call_once(opened, [] { functions = open(); });
    return functions ? &*functions : nullptr;
}

} // namespace wendle
