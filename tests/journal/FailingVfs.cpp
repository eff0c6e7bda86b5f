// SPDX-License-Identifier: GPL-3.0-or-later
#include "FailingVfs.h"

#include <sqlite3.h>

#include <atomic>
#include <mutex>
#include <vector>

namespace wendle::test {

namespace {

std::atomic<bool> g_failing{false};
sqlite3_vfs* g_real = nullptr;
sqlite3_vfs g_vfs;

struct MethodsPair
{
    const sqlite3_io_methods* original;
    sqlite3_io_methods* patched;
};
std::vector<MethodsPair> g_methods;
std::mutex g_mutex;

const sqlite3_io_methods* originalOf(sqlite3_file* file)
{
    std::lock_guard lock(g_mutex);
    for (const MethodsPair& pair : g_methods) {
        if (pair.patched == file->pMethods) {
            return pair.original;
        }
    }
    return file->pMethods;
}

int failingWrite(sqlite3_file* file, const void* data, int amount, sqlite3_int64 offset)
{
    if (g_failing) {
        return SQLITE_FULL;
    }
    return originalOf(file)->xWrite(file, data, amount, offset);
}

int failingSync(sqlite3_file* file, int flags)
{
    if (g_failing) {
        return SQLITE_IOERR_FSYNC;
    }
    return originalOf(file)->xSync(file, flags);
}

const sqlite3_io_methods* patchedFor(const sqlite3_io_methods* original)
{
    std::lock_guard lock(g_mutex);
    for (const MethodsPair& pair : g_methods) {
        if (pair.original == original) {
            return pair.patched;
        }
    }
    auto* patched = new sqlite3_io_methods(*original);
    patched->xWrite = failingWrite;
    patched->xSync = failingSync;
    g_methods.push_back({original, patched});
    return patched;
}

int failingOpen(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* file, int flags, int* outFlags)
{
    const int status = g_real->xOpen(g_real, name, file, flags, outFlags);
    if (status == SQLITE_OK && file->pMethods) {
        file->pMethods = patchedFor(file->pMethods);
    }
    return status;
}

} // namespace

void FailingVfs::install()
{
    static std::once_flag once;
    std::call_once(once, [] {
        g_real = sqlite3_vfs_find(nullptr);
        g_vfs = *g_real;
        g_vfs.zName = "wendle-failing";
        g_vfs.pNext = nullptr;
        g_vfs.xOpen = failingOpen;
        sqlite3_vfs_register(&g_vfs, 1);
    });
}

void FailingVfs::setFailing(bool failing)
{
    g_failing = failing;
}

} // namespace wendle::test
