// SPDX-License-Identifier: GPL-3.0-or-later
#include "journal/LockedBuffer.h"

#include <cstring>

#include <new>
#include <sys/mman.h>
#include <unistd.h>

namespace wendle {

LockedBuffer::LockedBuffer(std::size_t size)
    : m_size(size)
{
    const auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    m_mapped = ((size + page - 1) / page) * page;
    if (m_mapped == 0) {
        m_mapped = page;
    }
    void* memory = mmap(nullptr, m_mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (memory == MAP_FAILED) {
        throw std::bad_alloc();
    }
    m_data = static_cast<unsigned char*>(memory);
    // Both are best effort: an unprivileged process may have a small RLIMIT_MEMLOCK.
    m_locked = mlock(m_data, m_mapped) == 0;
    madvise(m_data, m_mapped, MADV_DONTDUMP);
}

LockedBuffer::~LockedBuffer()
{
    explicit_bzero(m_data, m_mapped);
    if (m_locked) {
        munlock(m_data, m_mapped);
    }
    munmap(m_data, m_mapped);
}

void wipeBytes(QByteArray& bytes)
{
    if (bytes.isEmpty()) {
        return;
    }
    if (!bytes.data_ptr().isMutable()) {
        // Raw or static data is not ours to write; nothing was copied into it.
        bytes.clear();
        return;
    }
    // In place, never through data(): that would first detach and wipe only the fresh copy.
    explicit_bzero(const_cast<char*>(bytes.constData()), static_cast<std::size_t>(bytes.size()));
}

std::shared_ptr<const QByteArray> heldSecret(const QByteArray& bytes)
{
    return std::shared_ptr<QByteArray>(new QByteArray(bytes.constData(), bytes.size()), [](QByteArray* held) {
        wipeBytes(*held);
        delete held;
    });
}

} // namespace wendle
