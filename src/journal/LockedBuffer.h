// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>

#include <cstddef>
#include <memory>

namespace wendle {

/**
 * A small buffer for secrets: kept out of swap and core dumps where the system allows it,
 * and wiped before its memory is returned.
 */
class LockedBuffer
{
public:
    explicit LockedBuffer(std::size_t size);
    ~LockedBuffer();
    LockedBuffer(const LockedBuffer&) = delete;
    LockedBuffer& operator=(const LockedBuffer&) = delete;

    unsigned char* data() { return m_data; }
    const unsigned char* data() const { return m_data; }
    std::size_t size() const { return m_size; }

private:
    unsigned char* m_data = nullptr;
    std::size_t m_size = 0;
    std::size_t m_mapped = 0;
    bool m_locked = false;
};

/**
 * Overwrites a byte array that held a secret, in a way the compiler cannot drop. Data shared with other byte
 * arrays is overwritten for all of them: whoever must keep a secret past a call holds a copy of its own.
 */
void wipeBytes(QByteArray& bytes);

/**
 * A copy of a secret for a callback to keep while an answer is awaited: it shares its data with nobody, so the
 * caller may wipe its own at once, and it is wiped when the last holder lets go.
 */
std::shared_ptr<const QByteArray> heldSecret(const QByteArray& bytes);

} // namespace wendle
