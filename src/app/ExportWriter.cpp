// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ExportWriter.h"

#include "app/JournalExport.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace wendle {

namespace {

QString reason()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

bool writeAll(int fd, const QByteArray& bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t written = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        done += written;
    }
    return true;
}

} // namespace

ExportWriter::ExportWriter(QString folder, bool replace)
    : m_folder(std::move(folder))
    , m_replace(replace)
{
}

ExportWriter::~ExportWriter()
{
    for (const Staged& staged : m_staged) {
        ::unlink(QFile::encodeName(staged.temporary).constData());
    }
}

bool ExportWriter::stage(const ExportFile& file, QString* error)
{
    const QString path = QDir(m_folder).filePath(file.name);
    if (!m_replace && QFile::exists(path)) {
        *error = QStringLiteral("%1 already exists.").arg(path);
        return false;
    }
    QByteArray temporary = QFile::encodeName(QDir(m_folder).filePath(QStringLiteral(".%1.XXXXXX").arg(file.name)));
    // mkstemp creates the file 0600: private from its first byte, whatever the umask.
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) {
        *error = QStringLiteral("%1 could not be written: %2.").arg(path, reason());
        return false;
    }
    const bool written = writeAll(fd, file.contents);
    const QString why = reason();
    if (::close(fd) != 0 || !written) {
        ::unlink(temporary.constData());
        *error = QStringLiteral("%1 could not be written: %2.").arg(path, why);
        return false;
    }
    m_staged.push_back({QFile::decodeName(temporary), path});
    return true;
}

bool ExportWriter::finish(QString* error)
{
    const int folder = ::open(QFile::encodeName(m_folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0 || ::syncfs(folder) != 0) {
        *error = QStringLiteral("The files could not be written to the disk: %1.").arg(reason());
        if (folder >= 0) {
            ::close(folder);
        }
        return false;
    }
    std::size_t named = 0;
    for (; named < m_staged.size(); ++named) {
        const QByteArray from = QFile::encodeName(m_staged[named].temporary);
        const QByteArray to = QFile::encodeName(m_staged[named].path);
        // Without replacing, the name is taken only if free at that very moment.
        const int moved = m_replace
            ? ::rename(from.constData(), to.constData())
            : ::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE);
        if (moved != 0) {
            *error = errno == EEXIST
                ? QStringLiteral("%1 already exists.").arg(m_staged[named].path)
                : QStringLiteral("%1 could not be written: %2.").arg(m_staged[named].path, reason());
            break;
        }
    }
    m_staged.erase(m_staged.begin(), m_staged.begin() + std::ptrdiff_t(named));
    const bool synced = ::fsync(folder) == 0;
    ::close(folder);
    if (m_staged.empty() && !synced) {
        *error = QStringLiteral("The folder %1 could not be written to the disk: %2.").arg(m_folder, reason());
    }
    return m_staged.empty() && synced;
}

} // namespace wendle
