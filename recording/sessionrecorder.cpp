#include "recording/sessionrecorder.h"

#include "errors/systemreason.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr qsizetype kBatchBytes = 64 * 1024; // written at once, whatever the timer says

// Writes all of `size` bytes, going on after a signal or a short write. Returns 0 or the
// error; `written` says how far it got.
int writeAll(int fd, const char *data, qsizetype size, qsizetype &written)
{
    written = 0;
    while (written < size) {
        const ssize_t n = ::write(fd, data + written, static_cast<size_t>(size - written));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return n < 0 ? errno : EIO;
        written += n;
    }
    return 0;
}

} // namespace

SessionRecorder::SessionRecorder(const QLocale &locale, QObject *parent)
    : QObject(parent)
    , m_format(locale)
{
    m_timer.setInterval(kWriteInterval);
    connect(&m_timer, &QTimer::timeout, this, &SessionRecorder::onTick);
}

SessionRecorder::~SessionRecorder()
{
    stop();
}

bool SessionRecorder::start(const QString &path)
{
    stop();
    m_path = path;
    m_fd = ::open(QFile::encodeName(path).constData(),
                  O_WRONLY | O_CREAT | O_TRUNC | O_APPEND | O_CLOEXEC, 0666);
    if (m_fd < 0) {
        fail(errno);
        return false;
    }
    m_rows = 0;
    m_wholeSize = 0;
    m_lastSync = std::chrono::steady_clock::now();
    m_buffer.reserve(2 * kBatchBytes);
    m_buffer.append(m_format.header());
    flush();
    if (!isRecording())
        return false;
    m_timer.start();
    return true;
}

void SessionRecorder::stop()
{
    if (!isRecording())
        return;
    flush();
    if (isRecording() && ::fdatasync(m_fd) != 0 && errno != EINVAL)
        return fail(errno);
    if (isRecording()) {
        ::close(m_fd);
        m_fd = -1;
        m_timer.stop();
    }
}

void SessionRecorder::add(const SampleRecord &sample)
{
    if (!isRecording())
        return;
    if (m_rows == 0)
        m_firstSteadyNs = sample.steadyNs;
    m_format.appendRow(m_buffer, ++m_rows, sample, sample.steadyNs - m_firstSteadyNs);
    if (m_buffer.size() >= kBatchBytes)
        flush();
}

void SessionRecorder::flush()
{
    if (!isRecording() || m_buffer.isEmpty())
        return;
    qsizetype written = 0;
    if (const int error = writeAll(m_fd, m_buffer.constData(), m_buffer.size(), written)) {
        // Part of the batch may be in: the file keeps the whole rows of it, no more.
        const qsizetype whole = written > 0 ? m_buffer.lastIndexOf('\n', written - 1) + 1 : 0;
        m_wholeSize += whole;
        if (written > whole)
            (void)::ftruncate(m_fd, m_wholeSize);
        return fail(error);
    }
    m_wholeSize += written;
    m_buffer.resize(0); // keeps its room for the next batch
    m_unsynced = true;
}

void SessionRecorder::onTick()
{
    flush();
    if (!isRecording())
        return;
    // A file removed while open takes writes without a word: its links tell.
    struct stat status
    {
    };
    if (::fstat(m_fd, &status) == 0 && status.st_nlink == 0)
        return fail(ENOENT);
    const auto now = std::chrono::steady_clock::now();
    if (!m_unsynced || now - m_lastSync < kSyncInterval)
        return;
    // EINVAL: a device that keeps nothing (a pipe, /dev/null) has nothing to sync.
    if (::fdatasync(m_fd) != 0 && errno != EINVAL)
        return fail(errno);
    m_lastSync = now;
    m_unsynced = false;
}

void SessionRecorder::fail(int error)
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_timer.stop();
    m_buffer.clear();
    const QString reason = systemReason(error);
    if (m_wholeSize == 0) {
        emit failed(QStringLiteral("Não foi possível gravar em “%1”: %2. Escolha outro arquivo "
                                   "ou outra pasta e tente de novo (Ctrl+R).")
                        .arg(m_path, reason));
        return;
    }
    emit failed(QStringLiteral("A gravação em “%1” parou: %2. As linhas já gravadas estão "
                               "completas no arquivo, e o gráfico continua. Libere espaço ou "
                               "escolha outra pasta e comece outra gravação (Ctrl+R).")
                    .arg(m_path, reason));
}
