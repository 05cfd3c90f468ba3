#include "recording/sessionrecorder.h"

#include "recording/csvformat.h"

#include <QMetaObject>

#include <condition_variable>
#include <mutex>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

// About 64 KiB of rows: written at once, whatever the time.
constexpr std::size_t kBatchSamples = 1024;

} // namespace

// One file's recording: the window's thread hands it samples, its own thread turns them
// into rows, writes them and has the disk keep them.
class SessionRecorder::Writer
{
public:
    Writer(int id, std::unique_ptr<RecordFile> file, const QString &path, const QLocale &locale,
           SessionRecorder *owner)
        : m_id(id)
        , m_owner(owner)
        , m_file(std::move(file))
        , m_format(locale)
        , m_path(path)
    {
        m_thread = std::thread([this] { run(); });
    }
    ~Writer()
    {
        finish();
        m_thread.join();
    }

    int id() const { return m_id; }
    bool isSameFile(const QString &path) const { return m_file->isSameFile(path); }

    void add(const Sample &sample)
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_pending.push_back(sample);
        ++m_taken;
        if (m_pending.size() == kBatchSamples)
            m_wake.notify_one();
    }

    /// The latest sample taken carries this event's field now.
    void mark(const QByteArray &field)
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        if (m_taken > 0)
            m_pendingEvents.push_back({m_taken, field});
    }

    /// Asks for the rest to be written and kept, and the file closed; returns at once.
    void finish()
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_finishing = true;
        m_wake.notify_one();
    }

private:
    struct Event
    {
        qint64 row; // from 1, as the rows are numbered
        QByteArray field;
    };

    void run()
    {
        m_lastWrite = m_lastSync = Clock::now();
        m_rows = m_format.header();
        FileError error = writeRows();
        for (bool finishing = false; !error && !finishing;) {
            std::vector<Sample> batch;
            std::vector<Event> events;
            {
                std::unique_lock<std::mutex> lock(m_mutex);
                Clock::time_point due = m_lastWrite + kWriteInterval;
                if (m_unsynced)
                    due = std::min(due, m_lastSync + kSyncInterval);
                m_wake.wait_until(
                    lock, due, [this] { return m_finishing || m_pending.size() >= kBatchSamples; });
                batch.swap(m_pending);
                events.swap(m_pendingEvents);
                finishing = m_finishing;
            }
            error = writeBatch(batch, events, finishing);
        }
        m_file.reset(); // closed here, on this thread: closing may wait for the disk too
        const QString path = m_path;
        const int id = m_id;
        SessionRecorder *owner = m_owner;
        QMetaObject::invokeMethod(
            owner,
            [owner, id, error, path] {
                if (error)
                    owner->writerFailed(id, error, path);
                else
                    owner->writerDone(id);
            },
            Qt::QueuedConnection);
    }

    FileError writeBatch(const std::vector<Sample> &batch, const std::vector<Event> &events,
                         bool finishing)
    {
        // An event marked on a row already in the file is on the newest row, the file's
        // last: its end is written again. (A later mark on a sample holds the whole text.)
        auto event = events.begin();
        for (; event != events.end() && event->row <= m_rowCount; ++event)
            if (event->row == m_rowCount)
                if (const FileError error = rewriteLastEvent(event->field))
                    return error;
        for (const Sample &sample : batch) {
            if (m_rowCount == 0)
                m_firstSteadyNs = sample.steadyNs;
            QByteArray field;
            for (++m_rowCount; event != events.end() && event->row == m_rowCount; ++event)
                field = event->field;
            m_format.appendRow(m_rows, m_rowCount, sample, sample.steadyNs - m_firstSteadyNs,
                               field);
            m_lastEventSize = field.size();
        }
        if (const FileError error = writeRows())
            return error;
        QString now = m_path;
        if (const FileError error = m_file->currentPath(now))
            return error;
        if (now != m_path) {
            m_path = now;
            SessionRecorder *owner = m_owner;
            const int id = m_id;
            QMetaObject::invokeMethod(
                owner, [owner, id, now] { owner->writerMoved(id, now); }, Qt::QueuedConnection);
        }
        const Clock::time_point time = Clock::now();
        if (!m_unsynced || (!finishing && time < m_lastSync + kSyncInterval))
            return {};
        m_lastSync = time;
        m_unsynced = false;
        return m_file->sync();
    }

    // The file's last row ends with its event's field and a line break: cut there and
    // written again with this field. Cut off, the row keeps every field but the event.
    FileError rewriteLastEvent(const QByteArray &field)
    {
        const qint64 keep = m_wholeSize - 1 - m_lastEventSize;
        if (const FileError error = m_file->truncate(keep))
            return error;
        m_wholeSize = keep;
        m_rows = field + '\n';
        m_lastEventSize = field.size();
        return writeRows();
    }

    // Writes the rows gathered, whole: a write cut short leaves the file with the whole
    // rows it took, and no part of one.
    FileError writeRows()
    {
        m_lastWrite = Clock::now();
        if (m_rows.isEmpty())
            return {};
        qint64 written = 0;
        const FileError error = m_file->write(m_rows.constData(), m_rows.size(), written);
        if (error) {
            const qint64 whole = written > 0 ? m_rows.lastIndexOf('\n', written - 1) + 1 : 0;
            if (written > whole)
                (void)m_file->truncate(m_wholeSize + whole);
            return error;
        }
        m_wholeSize += written;
        m_rows.resize(0); // keeps its room for the next batch
        m_unsynced = true;
        return {};
    }

    const int m_id;
    SessionRecorder *const m_owner;

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::vector<Sample> m_pending;
    std::vector<Event> m_pendingEvents;
    qint64 m_taken = 0; // samples taken: the row of the latest
    bool m_finishing = false;

    // The writing thread's own.
    std::unique_ptr<RecordFile> m_file;
    CsvFormat m_format;
    QString m_path;
    QByteArray m_rows;
    qint64 m_rowCount = 0;
    qint64 m_firstSteadyNs = 0;
    qint64 m_wholeSize = 0;     // bytes of whole rows in the file
    qint64 m_lastEventSize = 0; // bytes of the last row's event field
    bool m_unsynced = false;
    Clock::time_point m_lastWrite;
    Clock::time_point m_lastSync;
    std::thread m_thread; // last: it starts once the rest is ready
};

SessionRecorder::SessionRecorder(const QLocale &locale, QObject *parent, RecordFile::Opener opener)
    : QObject(parent)
    , m_locale(locale)
    , m_opener(std::move(opener))
{}

SessionRecorder::~SessionRecorder()
{
    finish();
}

void SessionRecorder::finish()
{
    stop();
    m_closing.clear(); // each waits for its thread: every row taken reaches the disk
}

bool SessionRecorder::start(const QString &path)
{
    // A file still being closed is done with first: the new one may be the same file.
    finish();
    FileError error;
    std::unique_ptr<RecordFile> file = m_opener(path, error);
    if (!file) {
        const QString advice =
            error.fault == FileFault::NotRegular
                ? QStringLiteral("A gravação vai para um arquivo comum: escolha outro nome")
                : QStringLiteral("Escolha outro arquivo ou outra pasta");
        emit failed(
            QStringLiteral("Não foi possível gravar em “%1”: %2. %3 e tente de novo (Ctrl+R).")
                .arg(path, error.reason, advice));
        return false;
    }
    m_path = path;
    m_writer = std::make_unique<Writer>(m_nextId++, std::move(file), path, m_locale, this);
    return true;
}

void SessionRecorder::stop()
{
    if (!m_writer)
        return;
    m_writer->finish();
    m_closing.push_back(std::move(m_writer));
}

bool SessionRecorder::isRecordingTo(const QString &path) const
{
    if (m_writer && m_writer->isSameFile(path))
        return true;
    for (const std::unique_ptr<Writer> &closing : m_closing)
        if (closing->isSameFile(path))
            return true;
    return false;
}

void SessionRecorder::take(const Sample &sample)
{
    if (m_writer)
        m_writer->add(sample);
}

void SessionRecorder::takeEvent(const QString &text)
{
    if (m_writer)
        m_writer->mark(CsvFormat::eventField(text));
}

void SessionRecorder::writerMoved(int id, const QString &path)
{
    if (!m_writer || m_writer->id() != id)
        return;
    m_path = path;
    emit pathChanged(path);
}

void SessionRecorder::writerDone(int id)
{
    const auto done = std::find_if(m_closing.begin(), m_closing.end(),
                                   [id](const auto &writer) { return writer->id() == id; });
    if (done != m_closing.end())
        m_closing.erase(done);
}

void SessionRecorder::writerFailed(int id, const FileError &error, const QString &path)
{
    if (m_writer && m_writer->id() == id)
        m_writer.reset();
    else
        writerDone(id);
    QString message;
    switch (error.fault) {
    case FileFault::Removed:
        message = QStringLiteral("O arquivo “%1” foi apagado durante a gravação, e as linhas "
                                 "gravadas nele se foram com ele. A gravação parou, e o gráfico "
                                 "continua. Para guardar as próximas amostras, comece outra "
                                 "gravação (Ctrl+R).")
                      .arg(path);
        break;
    case FileFault::NoSpace:
        message = QStringLiteral("A gravação em “%1” parou: %2. As linhas já gravadas estão "
                                 "completas no arquivo, e o gráfico continua. Libere espaço ou "
                                 "escolha outra pasta e comece outra gravação (Ctrl+R).")
                      .arg(path, error.reason);
        break;
    case FileFault::TooLarge:
        message = QStringLiteral("A gravação em “%1” parou: %2. As linhas já gravadas estão "
                                 "completas no arquivo, e o gráfico continua. Comece outra "
                                 "gravação, em outro arquivo (Ctrl+R).")
                      .arg(path, error.reason);
        break;
    default:
        message = QStringLiteral("A gravação em “%1” parou: %2. O gráfico continua. Verifique o "
                                 "disco e a pasta, e comece outra gravação, em outra pasta se "
                                 "preciso (Ctrl+R).")
                      .arg(path, error.reason);
        break;
    }
    emit failed(message);
}
