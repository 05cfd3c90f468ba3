#pragma once

#include "acquisition/samplefeed.h"
#include "recording/recordfile.h"

#include <QLocale>
#include <QObject>

#include <chrono>
#include <memory>
#include <vector>

// Recording: each sample goes to the end of a CSV file as it arrives. The file is
// written on a thread of its own, so that a slow disk never holds up the window: rows are
// gathered and written whole, a batch at least every quarter second, and the disk is made
// to keep them at most a second after they arrived. Stopping, the rows still waiting are
// written and kept before the file is closed; the program's end waits for that.
//
// An event marked on the latest sample lands on its row: with the others when the row is
// still to be written; otherwise that row, the file's last, has its end written again,
// a moment at which a cut leaves it whole but for the event.
//
// A failure (the disk full, the file removed) stops the recording and is told once, with
// its own cause and advice. A file renamed while recorded is followed.
class SessionRecorder : public QObject, public SampleSink
{
    Q_OBJECT
public:
    explicit SessionRecorder(const QLocale &locale, QObject *parent = nullptr,
                             RecordFile::Opener opener = &RecordFile::open);
    /// Every row taken is written and kept before the files close.
    ~SessionRecorder() override;

    /// Starts a file at `path`, emptying one already there (the user has confirmed it),
    /// with the header row. False, with failed() emitted, if it can't be recorded into.
    bool start(const QString &path);
    /// Ends the recording: the rows still waiting are written and kept, then the file is
    /// closed, without waiting here for the disk.
    void stop();
    bool isRecording() const { return m_writer != nullptr; }
    /// Ends the recording and returns once every row taken is written and kept and the
    /// files are closed: for the program's end, where its teardown may not come (Windows
    /// ends a process once its windows have heard of the session's end).
    void finish();
    /// Where the file being recorded is now.
    QString path() const { return m_path; }
    /// Whether `path` names the file being recorded or one still being closed.
    bool isRecordingTo(const QString &path) const;

    /// Adds the sample's row, numbered and timed from the file's first row.
    void take(const Sample &sample) override;
    /// Puts the event's text on the latest sample's row, already in the file or not (none
    /// when no sample was taken since the start).
    void takeEvent(const QString &text) override;

    static constexpr std::chrono::milliseconds kWriteInterval{250};
    static constexpr std::chrono::seconds kSyncInterval{1};

signals:
    /// The recording stopped on an error; the message names the file, the cause and what
    /// to do.
    void failed(const QString &message);
    /// The file being recorded was renamed or moved: it is now at `path`.
    void pathChanged(const QString &path);

private:
    class Writer;
    void writerFailed(int id, const FileError &error, const QString &path);
    void writerMoved(int id, const QString &path);
    void writerDone(int id);

    QLocale m_locale;
    RecordFile::Opener m_opener;
    std::unique_ptr<Writer> m_writer;
    std::vector<std::unique_ptr<Writer>> m_closing; // stopped, their last rows being kept
    QString m_path;
    int m_nextId = 0;
};
