#pragma once

#include <QString>

#include <functional>
#include <memory>

// The file a recording grows, through the system's own calls: one implementation per
// platform, chosen by the build.

/// What went wrong with a file, as far as what the user is told depends on it.
enum class FileFault {
    None,
    NotRegular, // a pipe, a device, a folder: never recorded into
    NoSpace,    // the disk is full
    TooLarge,   // the file reached the largest size allowed
    Removed,    // the file was deleted while open
    Other,
};

struct FileError
{
    FileFault fault = FileFault::None;
    QString reason; // the system's reason, in Portuguese, for the end of a sentence

    explicit operator bool() const { return fault != FileFault::None; }
};

/// The refusal of what is no regular file, in the same words on every platform.
inline FileError notRegularFile()
{
    return {FileFault::NotRegular,
            QStringLiteral("não é um arquivo comum (é uma pasta, um pipe ou um dispositivo)")};
}

class RecordFile
{
public:
    /// Opens `path` for a recording: a new file, or a regular file already there, emptied
    /// (the user has confirmed replacing it). Never anything else (a pipe, a device), and
    /// never waiting for one: a pipe without a reader would hold the caller until one came.
    /// Null, with `error` set, when it can't.
    static std::unique_ptr<RecordFile> open(const QString &path, FileError &error);
    using Opener = std::function<std::unique_ptr<RecordFile>(const QString &, FileError &)>;

    virtual ~RecordFile() = default;

    /// Writes all of `data` at the file's end; `written` says how far it got on an error.
    virtual FileError write(const char *data, qint64 size, qint64 &written) = 0;
    /// Cuts the file to `size` bytes.
    virtual FileError truncate(qint64 size) = 0;
    /// Has the disk keep what was written, through a power cut.
    virtual FileError sync() = 0;
    /// Where the file is now, which follows a rename; an error once it has been removed.
    virtual FileError currentPath(QString &path) const = 0;
    /// Whether `path` names this very file, by whatever name or link.
    virtual bool isSameFile(const QString &path) const = 0;
};
