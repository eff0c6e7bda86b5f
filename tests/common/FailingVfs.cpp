// SPDX-License-Identifier: GPL-3.0-or-later
#include "FailingVfs.h"

#include <sqlite3.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

namespace wendle::test {

namespace {

std::atomic<bool> g_failing{false};
sqlite3_vfs* g_real = nullptr;
sqlite3_vfs g_vfs;
// Each method table the real file system hands out, with the copy whose writes can fail.
std::vector<std::pair<const sqlite3_io_methods*, std::unique_ptr<sqlite3_io_methods>>> g_methods;
std::mutex g_mutex;

const sqlite3_io_methods* realMethods(const sqlite3_file* file)
{
    std::lock_guard lock(g_mutex);
    const auto found = std::find_if(g_methods.begin(), g_methods.end(),
                                    [&](const auto& pair) { return pair.second.get() == file->pMethods; });
    return found == g_methods.end() ? file->pMethods : found->first;
}

int failingWrite(sqlite3_file* file, const void* data, int amount, sqlite3_int64 offset)
{
    return g_failing ? SQLITE_FULL : realMethods(file)->xWrite(file, data, amount, offset);
}

int failingSync(sqlite3_file* file, int flags)
{
    return g_failing ? SQLITE_IOERR_FSYNC : realMethods(file)->xSync(file, flags);
}

int failingOpen(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* file, int flags, int* outFlags)
{
    const int status = g_real->xOpen(g_real, name, file, flags, outFlags);
    if (status != SQLITE_OK || !file->pMethods) {
        return status;
    }
    std::lock_guard lock(g_mutex);
    auto found = std::find_if(g_methods.begin(), g_methods.end(),
                              [&](const auto& pair) { return pair.first == file->pMethods; });
    if (found == g_methods.end()) {
        auto failing = std::make_unique<sqlite3_io_methods>(*file->pMethods);
        failing->xWrite = failingWrite;
        failing->xSync = failingSync;
        found = g_methods.insert(g_methods.end(), {file->pMethods, std::move(failing)});
    }
    file->pMethods = found->second.get();
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
