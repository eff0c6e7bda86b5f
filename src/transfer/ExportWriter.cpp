// SPDX-License-Identifier: GPL-3.0-or-later
#include "transfer/ExportWriter.h"

#include "transfer/JournalExport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
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

bool isPlainName(const QString& name)
{
    return !name.isEmpty() && !name.contains(u'/') && !name.contains(QChar(0)) && name != QStringLiteral(".")
        && name != QStringLiteral("..");
}

// Renames without ever taking a name that is in use at that very moment.
bool renameFresh(const QString& from, const QString& to)
{
    return ::renameat2(AT_FDCWD, QFile::encodeName(from).constData(), AT_FDCWD, QFile::encodeName(to).constData(),
                       RENAME_NOREPLACE)
        == 0;
}

bool syncFolder(const QString& folder)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const bool synced = fd >= 0 && ::fsync(fd) == 0;
    if (fd >= 0) {
        ::close(fd);
    }
    return synced;
}

// One flush of the folder's file system puts every staged file on the disk at once: a sync per file made an
// export of thousands of days take seconds. Since Linux 5.8 it reports a write-back error of any file on it.
bool syncFileSystemOf(const QString& folder)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const bool synced = fd >= 0 && ::syncfs(fd) == 0;
    if (fd >= 0) {
        ::close(fd);
    }
    return synced;
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
        if (!staged.named) {
            ::unlink(QFile::encodeName(staged.temporary).constData());
        }
    }
}

bool ExportWriter::stage(const ExportFile& file, QString* error)
{
    if (!isPlainName(file.name)) {
        //: %1 is a name the export would have given a file.
        *error = QCoreApplication::translate("wendle::ExportWriter", "\"%1\" is not a file name.").arg(file.name);
        return false;
    }
    const QString path = QDir(m_folder).filePath(file.name);
    if (!m_replace && QFileInfo::exists(path)) {
        *error = QCoreApplication::translate("wendle::ExportWriter", "%1 already exists.").arg(path);
        return false;
    }
    QByteArray temporary = QFile::encodeName(QDir(m_folder).filePath(QStringLiteral(".%1.XXXXXX").arg(file.name)));
    // mkstemp creates the file 0600: private from its first byte, whatever the umask.
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) {
        //: %1 is a file, %2 what the system said.
        *error
            = QCoreApplication::translate("wendle::ExportWriter", "%1 could not be written: %2.").arg(path, reason());
        return false;
    }
    const bool written = writeAll(fd, file.contents);
    const QString why = reason();
    if (::close(fd) != 0 || !written) {
        ::unlink(temporary.constData());
        //: %1 is a file, %2 what the system said.
        *error = QCoreApplication::translate("wendle::ExportWriter", "%1 could not be written: %2.").arg(path, why);
        return false;
    }
    m_staged.push_back({QFile::decodeName(temporary), path, {}, false});
    return true;
}

bool ExportWriter::checkReplaceable(QString* error) const
{
    for (const Staged& staged : m_staged) {
        struct stat info
        {
        };
        if (::lstat(QFile::encodeName(staged.path).constData(), &info) == 0 && !S_ISREG(info.st_mode)) {
            //: %1 is a path.
            *error = QCoreApplication::translate("wendle::ExportWriter",
                                                 "%1 is there and is not a file, so it was left as it was.")
                         .arg(staged.path);
            return false;
        }
    }
    return true;
}

bool ExportWriter::name(Staged& staged, QString* error)
{
    if (m_replace && QFileInfo::exists(staged.path)) {
        // The file it replaces steps aside, to come back if a later file cannot be named.
        const QString aside = staged.temporary + QStringLiteral(".replaced");
        if (!renameFresh(staged.path, aside)) {
            //: %1 is a file, %2 what the system said.
            *error = QCoreApplication::translate("wendle::ExportWriter", "%1 could not be replaced: %2.")
                         .arg(staged.path, reason());
            return false;
        }
        staged.replaced = aside;
    }
    if (!renameFresh(staged.temporary, staged.path)) {
        *error = errno == EEXIST
            ? QCoreApplication::translate("wendle::ExportWriter", "%1 already exists.").arg(staged.path)
            //: %1 is a file, %2 what the system said.
            : QCoreApplication::translate("wendle::ExportWriter", "%1 could not be written: %2.")
                  .arg(staged.path, reason());
        return false;
    }
    staged.named = true;
    return true;
}

void ExportWriter::undo()
{
    for (Staged& staged : m_staged) {
        if (staged.named) {
            ::unlink(QFile::encodeName(staged.path).constData());
            staged.named = false;
        }
        if (!staged.replaced.isEmpty()) {
            ::rename(QFile::encodeName(staged.replaced).constData(), QFile::encodeName(staged.path).constData());
            staged.replaced.clear();
        }
    }
}

bool ExportWriter::finish(QString* error)
{
    if (m_replace && !checkReplaceable(error)) {
        return false;
    }
    if (!syncFileSystemOf(m_folder)) {
        //: %1 is a folder, %2 what the system said.
        *error = QCoreApplication::translate("wendle::ExportWriter",
                                             "The files in %1 could not be written to the disk: %2.")
                     .arg(m_folder, reason());
        return false;
    }
    for (Staged& staged : m_staged) {
        if (!name(staged, error)) {
            undo();
            syncFolder(m_folder);
            return false;
        }
    }
    if (!syncFolder(m_folder)) {
        //: %1 is a folder, %2 what the system said.
        *error
            = QCoreApplication::translate("wendle::ExportWriter", "The folder %1 could not be written to the disk: %2.")
                  .arg(m_folder, reason());
        undo();
        return false;
    }
    for (const Staged& staged : m_staged) {
        if (!staged.replaced.isEmpty()) {
            ::unlink(QFile::encodeName(staged.replaced).constData());
        }
    }
    m_staged.clear();
    return true;
}

} // namespace wendle
