// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFile>
#include <QList>

#include <algorithm>
#include <array>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace wendle::test {

/**
 * Looks for a secret's bytes in this process's writable memory (heap, stacks, anonymous and data mappings),
 * through /proc/self/maps and /proc/self/mem. Only the bytes' complement is kept, so the search never finds
 * itself, and nothing it reads is ever printed.
 */
template <std::size_t N> class SecretSearch
{
public:
    explicit SecretSearch(const unsigned char* secret)
    {
        std::transform(secret, secret + N, m_inverted.begin(), [](unsigned char b) { return ~b & 0xFF; });
    }

    /** Whether a copy of the secret is still anywhere in writable memory. */
    bool foundInMemory() const
    {
        QFile maps(QStringLiteral("/proc/self/maps"));
        const int memory = ::open("/proc/self/mem", O_RDONLY | O_CLOEXEC);
        if (!maps.open(QIODevice::ReadOnly) || memory < 0) {
            qFatal("cannot read this process's memory");
        }
        const QList<QByteArray> lines = maps.read(16 << 20).split('\n');
        std::vector<unsigned char> chunk(kChunk + N);
        bool found = false;
        for (const QByteArray& line : lines) {
            const QList<QByteArray> fields = line.simplified().split(' ');
            if (fields.size() < 5 || !fields.at(1).startsWith("rw") || line.contains("[vvar")) {
                continue;
            }
            const QList<QByteArray> range = fields.at(0).split('-');
            const quint64 start = range.value(0).toULongLong(nullptr, 16);
            const quint64 end = range.value(1).toULongLong(nullptr, 16);
            // Reservations this large (a sanitizer's shadow memory) are not where a heap copy lives.
            if (end - start > (quint64(1) << 32)) {
                continue;
            }
            if ((found = regionHolds(memory, start, end, chunk))) {
                break;
            }
        }
        ::close(memory);
        explicit_bzero(chunk.data(), chunk.size());
        return found;
    }

private:
    static constexpr std::size_t kChunk = 1 << 20;

    bool matchesAt(const unsigned char* at) const
    {
        for (std::size_t i = 0; i < N; ++i) {
            if ((~at[i] & 0xFF) != m_inverted[i]) {
                return false;
            }
        }
        return true;
    }

    // Chunk by chunk; each keeps the last N - 1 bytes of the one before, so a copy across the seam is found.
    bool regionHolds(int memory, quint64 start, quint64 end, std::vector<unsigned char>& chunk) const
    {
        std::size_t carried = 0;
        for (quint64 at = start; at < end;) {
            const std::size_t want = std::min<quint64>(kChunk, end - at);
            const ssize_t got = ::pread(memory, chunk.data() + carried, want, static_cast<off_t>(at));
            if (got <= 0) {
                return false;
            }
            const std::size_t length = carried + static_cast<std::size_t>(got);
            for (std::size_t i = 0; i + N <= length; ++i) {
                if (matchesAt(chunk.data() + i)) {
                    return true;
                }
            }
            carried = std::min(length, N - 1);
            std::memmove(chunk.data(), chunk.data() + length - carried, carried);
            at += static_cast<quint64>(got);
        }
        return false;
    }

    std::array<unsigned char, N> m_inverted{};
};

} // namespace wendle::test
