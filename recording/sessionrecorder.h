#pragma once

#include "recording/csvformat.h"

#include <QObject>
#include <QTimer>

#include <chrono>

// Recording: each sample goes to the end of a CSV file as it arrives. Rows are gathered
// and written whole, a batch with one write(), so that the file holds only whole rows
// whatever happens to the program; a timer writes what waits at least every quarter
// second and has the disk keep it (fdatasync) at most once a second. A failure (the disk
// full, the file's folder removed) stops the recording and is told once; the rows already
// in the file stay whole.
class SessionRecorder : public QObject
{
    Q_OBJECT
public:
    explicit SessionRecorder(const QLocale &locale, QObject *parent = nullptr);
    ~SessionRecorder() override;

    /// Starts a file at `path`, emptying one already there (the user has confirmed it),
    /// with the header row. False, with failed() emitted, if it can't be written.
    bool start(const QString &path);
    /// Writes what waits, has the disk keep it and closes the file.
    void stop();
    bool isRecording() const { return m_fd >= 0; }
    QString path() const { return m_path; }

    /// Adds the sample's row, numbered and timed from the file's first row.
    void add(const SampleRecord &sample);
    /// Writes the rows waiting, at once.
    void flush();

    static constexpr std::chrono::milliseconds kWriteInterval{250};
    static constexpr std::chrono::seconds kSyncInterval{1};

signals:
    /// The recording stopped on an error; the message names the file and the reason.
    void failed(const QString &message);

private:
    void onTick();
    void fail(int error);

    CsvFormat m_format;
    QTimer m_timer;
    QString m_path;
    int m_fd = -1;
    QByteArray m_buffer;
    qint64 m_rows = 0;
    qint64 m_firstSteadyNs = 0;
    qint64 m_wholeSize = 0; // bytes of whole rows in the file
    bool m_unsynced = false;
    std::chrono::steady_clock::time_point m_lastSync;
};
