#pragma once

// What the tests of reading a data file back share: a session, its events, and its file as
// the program writes it.

#include "recording/csvformat.h"
#include "recording/csvreader.h"

#include <QBuffer>
#include <QDateTime>
#include <QStringList>

using Events = std::vector<std::pair<std::size_t, QString>>;

inline qint64 localMs(QDate date, QTime time)
{
    return QDateTime(date, time, Qt::LocalTime).toMSecsSinceEpoch();
}

inline const QDate kDay(2026, 12, 7);
// An event holding both separators, a quote and a line break.
inline const QString kEvent = QStringLiteral("Aquecedor ligado; 50 °C, \"forte\"\nsegunda linha");

// A session: a row before the first poll (no channel), readings from 0 to 1023, a day long.
inline std::vector<Sample> session()
{
    return {{0, localMs(kDay, QTime(14, 30, 5, 123)), 512, 0},
            {1001000000, localMs(kDay, QTime(14, 30, 6, 124)), 614, 2},
            {86399999000000, localMs(kDay.addDays(1), QTime(14, 30, 5, 122)), 1023, 5},
            {86400000000000, localMs(kDay.addDays(1), QTime(14, 30, 5, 123)), 0, 1}};
}
inline Events sessionEvents()
{
    return {{1, kEvent}, {3, QStringLiteral("Evento 2")}};
}

// The session's file as the program writes it under `locale`, or wrote it before the
// evento column; the event quoted as RFC 4180 has it, its line break kept (a spreadsheet
// may write one).
inline QByteArray writtenFile(const QLocale &locale, bool evento)
{
    CsvFormat format(locale);
    const QByteArray separator(1, format.separator());
    QByteArray text = format.header();
    if (!evento) // as files were written before the column
        text.replace(separator + "evento", "");
    const std::vector<Sample> samples = session();
    const Events events = sessionEvents();
    for (std::size_t i = 0; i < samples.size(); ++i) {
        format.appendRow(text, qint64(i) + 1, samples[i], samples[i].steadyNs);
        text.chop(2); // the empty evento and the line's end: the event is written here
        QByteArray event;
        for (const auto &[index, eventText] : events)
            if (index == i)
                event = eventText.toUtf8();
        if (event.contains(format.separator()) || event.contains('"') || event.contains('\n'))
            event = '"' + event.replace("\"", "\"\"") + '"';
        text += (evento ? separator + event : QByteArray()) + '\n';
    }
    return text;
}

inline RecordingRead readText(QByteArray text)
{
    QBuffer buffer(&text);
    buffer.open(QIODevice::ReadOnly);
    return readRecording(buffer);
}

inline QStringList described(const std::vector<Sample> &samples)
{
    QStringList rows;
    for (const Sample &s : samples)
        rows << QStringLiteral("%1 ns, %2 ms, reading %3, channel %4")
                    .arg(s.steadyNs)
                    .arg(s.wallMs)
                    .arg(s.reading)
                    .arg(s.channel);
    return rows;
}
inline QStringList described(const Events &events)
{
    QStringList rows;
    for (const auto &[index, text] : events)
        rows << QStringLiteral("%1: %2").arg(index).arg(text);
    return rows;
}
