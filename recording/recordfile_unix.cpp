#include "recording/recordfile.h"

#include "errors/systemreason.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

FileError errorOf(int error)
{
    const FileFault fault = error == ENOSPC  ? FileFault::NoSpace
                            : error == EFBIG ? FileFault::TooLarge
                                             : FileFault::Other;
    return {fault, systemReason(error)};
}

class UnixRecordFile : public RecordFile
{
public:
    explicit UnixRecordFile(int fd)
        : m_fd(fd)
    {}
    ~UnixRecordFile() override { ::close(m_fd); }

    FileError write(const char *data, qint64 size, qint64 &written) override
    {
        written = 0;
        while (written < size) {
            const ssize_t n = ::write(m_fd, data + written, size_t(size - written));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return errorOf(n < 0 ? errno : EIO);
            written += n;
        }
        return {};
    }

    FileError truncate(qint64 size) override
    {
        return ::ftruncate(m_fd, size) == 0 ? FileError{} : errorOf(errno);
    }

    FileError sync() override { return ::fdatasync(m_fd) == 0 ? FileError{} : errorOf(errno); }

    FileError currentPath(QString &path) const override
    {
        struct stat status = {};
        if (::fstat(m_fd, &status) != 0)
            return errorOf(errno);
        if (status.st_nlink == 0) // a file removed while open takes writes without a word
            return {FileFault::Removed, systemReason(ENOENT)};
        char target[4096];
        const QByteArray link = "/proc/self/fd/" + QByteArray::number(m_fd);
        const ssize_t length = ::readlink(link.constData(), target, sizeof target);
        if (length > 0 && size_t(length) < sizeof target)
            path = QFile::decodeName(QByteArray(target, int(length)));
        return {};
    }

    bool isSameFile(const QString &path) const override
    {
        struct stat mine = {};
        struct stat other = {};
        return ::fstat(m_fd, &mine) == 0 && ::stat(QFile::encodeName(path).constData(), &other) == 0
               && mine.st_dev == other.st_dev && mine.st_ino == other.st_ino;
    }

private:
    int m_fd;
};

} // namespace

std::unique_ptr<RecordFile> RecordFile::open(const QString &path, FileError &error)
{
    const QByteArray name = QFile::encodeName(path);
    // Only a regular file is opened: opening a device may change it (a serial line raises
    // its control lines), and a pipe would wait for a reader.
    struct stat status = {};
    if (::stat(name.constData(), &status) == 0 && !S_ISREG(status.st_mode)) {
        error = notRegularFile();
        return nullptr;
    }
    const int fd =
        ::open(name.constData(),
               O_WRONLY | O_CREAT | O_TRUNC | O_APPEND | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0666);
    if (fd < 0) {
        error = errno == ENXIO ? notRegularFile() : errorOf(errno);
        return nullptr;
    }
    // The name may have been given to something else since it was looked at.
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        error = notRegularFile();
        return nullptr;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    error = {};
    return std::make_unique<UnixRecordFile>(fd);
}
