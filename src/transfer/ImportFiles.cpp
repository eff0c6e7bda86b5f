// SPDX-License-Identifier: GPL-3.0-or-later
#include "transfer/ImportFiles.h"

#include "transfer/IncomingEntry.h"
#include "transfer/WorkProgress.h"

#include <QCoreApplication>
#include <QFile>
#include <QStringDecoder>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace wendle {

namespace {

constexpr qint64 chunkBytes = qint64(1) << 20;

QString reason()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

class FileDescriptor
{
public:
    explicit FileDescriptor(int fd)
        : m_fd(fd)
    {
    }
    ~FileDescriptor()
    {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

// Reads an open descriptor to its end in chunks, refusing at the first byte past `limit`.
std::optional<QByteArray> readOpened(int fd, qint64 limit, QString* problem, WorkProgress* progress)
{
    struct stat info
    {
    };
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        //: Why a file is skipped (follows "Skips <file>: ").
        *problem = QCoreApplication::translate("wendle::ImportFiles", "it is not a regular file");
        return std::nullopt;
    }
    if (info.st_size > limit) {
        //: Why a file is skipped (follows "Skips <file>: "); MiB is mebibytes.
        *problem
            = QCoreApplication::translate("wendle::ImportFiles", "it is too large (more than %1 MiB)").arg(limit >> 20);
        return std::nullopt;
    }
    QByteArray bytes;
    bytes.reserve(qsizetype(info.st_size));
    for (;;) {
        if (progress && progress->cancelled) {
            *problem = QCoreApplication::translate("wendle::ImportFiles", "reading it was cancelled");
            return std::nullopt;
        }
        const qsizetype at = bytes.size();
        // The file may grow while it is read: never more than one byte past the limit is asked for.
        const qint64 want = std::min(chunkBytes, limit + 1 - at);
        bytes.resize(at + qsizetype(want));
        const ssize_t got = ::read(fd, bytes.data() + at, size_t(want));
        if (got < 0 && errno == EINTR) {
            bytes.resize(at);
            continue;
        }
        if (got < 0) {
            //: Why a file is skipped; %1 is what the system said.
            *problem = QCoreApplication::translate("wendle::ImportFiles", "it could not be read (%1)").arg(reason());
            return std::nullopt;
        }
        bytes.resize(at + qsizetype(got));
        if (bytes.size() > limit) {
            //: Why a file is skipped (follows "Skips <file>: "); MiB is mebibytes.
            *problem = QCoreApplication::translate("wendle::ImportFiles", "it is too large (more than %1 MiB)")
                           .arg(limit >> 20);
            return std::nullopt;
        }
        if (got == 0) {
            return bytes;
        }
    }
}

bool hasImportSuffix(const QByteArray& name)
{
    return name.endsWith(".txt") || name.endsWith(".md");
}

std::optional<QString> utf8Name(const QByteArray& bytes)
{
    QStringDecoder decode(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString name = decode(bytes);
    if (decode.hasError()) {
        return std::nullopt;
    }
    return name;
}

QString realPath(const QByteArray& path)
{
    std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.constData(), nullptr), &std::free);
    return resolved ? QFile::decodeName(resolved.get()) : QString();
}

} // namespace

std::optional<QByteArray> readRegularFile(const QString& path, qint64 limit, QString* problem, WorkProgress* progress)
{
    // Non-blocking, so a FIFO given as the file cannot hang the open; it is refused as not regular.
    const FileDescriptor fd(::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd.get() < 0) {
        //: Why a file is skipped; %1 is what the system said.
        *problem = QCoreApplication::translate("wendle::ImportFiles", "it could not be opened (%1)").arg(reason());
        return std::nullopt;
    }
    return readOpened(fd.get(), limit, problem, progress);
}

FolderContents readImportFolder(const QString& folder, WorkProgress* progress)
{
    FolderContents contents;
    const QByteArray folderBytes = QFile::encodeName(folder);
    const QString realFolder = realPath(folderBytes);
    const FileDescriptor folderFd(::open(folderBytes.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    DIR* listing = folderFd.get() >= 0 ? ::fdopendir(::dup(folderFd.get())) : nullptr;
    if (!listing || realFolder.isEmpty()) {
        contents.skipped.push_back(
            {folder,
             //: Why a folder is skipped; %1 is what the system said.
             QCoreApplication::translate("wendle::ImportFiles", "the folder could not be read (%1)").arg(reason())});
        if (listing) {
            ::closedir(listing);
        }
        return contents;
    }
    std::vector<QByteArray> names;
    while (const dirent* item = ::readdir(listing)) {
        const QByteArray name(item->d_name);
        if (hasImportSuffix(name)) {
            names.push_back(name);
        }
    }
    ::closedir(listing);
    std::sort(names.begin(), names.end());
    if (progress) {
        progress->total = qint64(names.size());
    }

    for (const QByteArray& nameBytes : names) {
        if (progress && progress->cancelled) {
            break;
        }
        if (progress) {
            ++progress->done;
        }
        const std::optional<QString> name = utf8Name(nameBytes);
        if (!name) {
            contents.skipped.push_back(
                {QFile::decodeName(nameBytes),
                 QCoreApplication::translate("wendle::ImportFiles", "its name is not valid UTF-8")});
            continue;
        }
        struct stat link
        {
        };
        if (::fstatat(folderFd.get(), nameBytes.constData(), &link, AT_SYMLINK_NOFOLLOW) != 0) {
            contents.skipped.push_back(
                //: Why a file is skipped; %1 is what the system said.
                {*name, QCoreApplication::translate("wendle::ImportFiles", "it could not be read (%1)").arg(reason())});
            continue;
        }
        const int flags = O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW;
        QByteArray opened = nameBytes;
        int base = folderFd.get();
        if (S_ISLNK(link.st_mode)) {
            const QString target = realPath(folderBytes + '/' + nameBytes);
            if (target.isEmpty() || !target.startsWith(realFolder + u'/')) {
                contents.skipped.push_back(
                    {*name,
                     QCoreApplication::translate("wendle::ImportFiles",
                                                 "it is a link to something outside the folder")});
                continue;
            }
            // The resolved path has no links left; opening it without following one keeps it that way.
            opened = QFile::encodeName(target);
            base = AT_FDCWD;
        } else if (!S_ISREG(link.st_mode)) {
            //: Why a file is skipped (follows "Skips <file>: ").
            contents.skipped.push_back(
                {*name, QCoreApplication::translate("wendle::ImportFiles", "it is not a regular file")});
            continue;
        }
        const FileDescriptor fd(::openat(base, opened.constData(), flags));
        if (fd.get() < 0) {
            contents.skipped.push_back(
                //: Why a file is skipped; %1 is what the system said.
                {*name, QCoreApplication::translate("wendle::ImportFiles", "it could not be read (%1)").arg(reason())});
            continue;
        }
        QString problem;
        const std::optional<QByteArray> bytes = readOpened(fd.get(), maxImportFileBytes, &problem, progress);
        if (!bytes) {
            contents.skipped.push_back({*name, problem});
            continue;
        }
        DecodedText decoded = decodeIncomingText(*bytes);
        contents.files.push_back({*name, std::move(decoded.text), decoded.replacedBytes});
    }
    return contents;
}

} // namespace wendle
