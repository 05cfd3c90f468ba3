#pragma once

// What the recording tests share: a sample at a known time, a file's contents, and a
// recording into a scratch folder with what it reports.

#include "recording/csvformat.h"
#include "recording/sessionrecorder.h"
#include "support/filecontents.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

// Taken at 2026-12-07 14:30:05.123 where the test runs: São Paulo, three hours behind UTC.
inline Sample sample(std::uint16_t reading, qint64 steadyMs)
{
    const QDateTime wall(QDate(2026, 12, 7), QTime(14, 30, 5, 123));
    return {steadyMs * 1000000, wall.toMSecsSinceEpoch(), reading, 2};
}

inline QByteArray header()
{
    return CsvFormat(QLocale::c()).header();
}

// A recording, into a file of a scratch folder, with what it reports.
struct Recording
{
    QTemporaryDir folder;
    const QString path = folder.filePath("dados.csv");
    std::unique_ptr<SessionRecorder> recorder = std::make_unique<SessionRecorder>(QLocale::c());
    QSignalSpy failed{recorder.get(), &SessionRecorder::failed};

    // Rows take a quarter second to be written: waits for the file to hold `bytes`.
    QByteArray fileOnceItHolds(qsizetype bytes)
    {
        (void)QTest::qWaitFor([&] { return contents(path).size() >= bytes; }, 3000);
        return contents(path);
    }
    QString firstFailure()
    {
        (void)failed.wait(3000);
        return failed.isEmpty() ? QString() : failed[0][0].toString();
    }
};

inline const QString kNotRegular =
    "não é um arquivo comum (é uma pasta, um pipe ou um dispositivo). A gravação vai para um "
    "arquivo comum: escolha outro nome";

inline QString refusalMessage(const QString &path, const QString &reason)
{
    return "Não foi possível gravar em “" + path + "”: " + reason + " e tente de novo (Ctrl+R).";
}

// What the recording says when it will not start on `path`: its one failure.
inline QString refusal(Recording &r, const QString &path)
{
    if (r.recorder->start(path) || r.failed.size() != 1)
        return "(no one failure)";
    return r.failed[0][0].toString();
}
