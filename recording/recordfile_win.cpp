#include "recording/recordfile.h"

#include "errors/systemreason.h"

#include <QDir>

#include <windows.h>

namespace {

FileError failure(DWORD code)
{
    FileFault fault = FileFault::Other;
    if (code == ERROR_DISK_FULL || code == ERROR_HANDLE_DISK_FULL)
        fault = FileFault::NoSpace;
    else if (code == ERROR_FILE_TOO_LARGE)
        fault = FileFault::TooLarge;
    return {fault, systemReason(static_cast<int>(code))};
}

std::wstring nativeName(const QString &path)
{
    return QDir::toNativeSeparators(path).toStdWString();
}

// The file through Windows' own calls. Others may read it while it grows (a spreadsheet
// looking in), and rename or delete it: the handle follows it.
class WindowsRecordFile : public RecordFile
{
public:
    explicit WindowsRecordFile(HANDLE handle)
        : m_handle(handle)
    {}
    ~WindowsRecordFile() override { CloseHandle(m_handle); }

    FileError write(const char *data, qint64 size, qint64 &written) override
    {
        written = 0;
        while (written < size) {
            DWORD done = 0;
            const DWORD chunk = static_cast<DWORD>(qMin<qint64>(size - written, 1 << 30));
            if (!WriteFile(m_handle, data + written, chunk, &done, nullptr))
                return failure(GetLastError());
            written += done;
        }
        return {};
    }

    FileError truncate(qint64 size) override
    {
        LARGE_INTEGER end;
        end.QuadPart = size;
        if (!SetFilePointerEx(m_handle, end, nullptr, FILE_BEGIN) || !SetEndOfFile(m_handle))
            return failure(GetLastError());
        return {};
    }

    FileError sync() override
    {
        if (!FlushFileBuffers(m_handle))
            return failure(GetLastError());
        return {};
    }

    FileError currentPath(QString &path) const override
    {
        // A file deleted while open takes writes without a word, and goes when closed.
        FILE_STANDARD_INFO standard = {};
        if (GetFileInformationByHandleEx(m_handle, FileStandardInfo, &standard, sizeof standard)
            && (standard.DeletePending || standard.NumberOfLinks == 0))
            return {FileFault::Removed, systemReason(ERROR_FILE_NOT_FOUND)};
        wchar_t name[32768];
        const DWORD length = GetFinalPathNameByHandleW(m_handle, name, 32768, FILE_NAME_NORMALIZED);
        if (length == 0 || length >= 32768)
            return {FileFault::Removed, systemReason(ERROR_FILE_NOT_FOUND)};
        path = QString::fromWCharArray(name, static_cast<qsizetype>(length));
        if (path.startsWith(QLatin1String("\\\\?\\")))
            path = path.mid(4);
        path = QDir::fromNativeSeparators(path);
        return {};
    }

    bool isSameFile(const QString &path) const override
    {
        const HANDLE other = CreateFileW(nativeName(path).c_str(), 0,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                         nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (other == INVALID_HANDLE_VALUE)
            return false;
        BY_HANDLE_FILE_INFORMATION mine = {}, theirs = {};
        const bool same = GetFileInformationByHandle(m_handle, &mine)
                          && GetFileInformationByHandle(other, &theirs)
                          && mine.dwVolumeSerialNumber == theirs.dwVolumeSerialNumber
                          && mine.nFileIndexHigh == theirs.nFileIndexHigh
                          && mine.nFileIndexLow == theirs.nFileIndexLow;
        CloseHandle(other);
        return same;
    }

private:
    HANDLE m_handle;
};

} // namespace

std::unique_ptr<RecordFile> RecordFile::open(const QString &path, FileError &error)
{
    // A folder is refused before it is opened; a device or a pipe once open, by its type.
    const DWORD attributes = GetFileAttributesW(nativeName(path).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        error = notRegularFile();
        return nullptr;
    }
    const HANDLE handle = CreateFileW(nativeName(path).c_str(), GENERIC_WRITE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        error = failure(GetLastError());
        return nullptr;
    }
    if (GetFileType(handle) != FILE_TYPE_DISK) {
        CloseHandle(handle);
        error = notRegularFile();
        return nullptr;
    }
    auto file = std::make_unique<WindowsRecordFile>(handle);
    if ((error = file->truncate(0)))
        return nullptr;
    error = {};
    return file;
}
