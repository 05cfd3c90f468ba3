#pragma once

#include "acquisition/sample.h"

#include <QByteArray>
#include <QLocale>

#include <array>

// The rows of a data file: amostra, instante, tempo_s, canal, leitura, tensao_V, evento
// (the text of an event marked on the sample, empty on most rows). Where
// the locale writes decimals with a comma, fields are separated by ';' and decimals use a
// comma, so that a spreadsheet there reads every number as a number; elsewhere ',' and a
// dot. Rows are built from precomputed pieces: a stream of tens of thousands of frames a
// second is written at a small cost.
class CsvFormat
{
public:
    explicit CsvFormat(const QLocale &locale);

    char separator() const { return m_separator; }
    QByteArray header() const;

    /// Appends the row of `sample`, numbered `number`, read `sinceFirstNs` nanoseconds
    /// after the file's first row on the steady clock, with its event's field (eventField()).
    void appendRow(QByteArray &out, qint64 number, const Sample &sample, qint64 sinceFirstNs,
                   const QByteArray &event = {});
    /// An event's text as the last field of a row: on one line (a line break becomes a
    /// space), quoted where it holds a separator of either kind or a quote, so that a text
    /// never breaks a row.
    static QByteArray eventField(const QString &text);

private:
    char *writeInstant(char *at, qint64 wallMs);

    char m_separator;
    char m_decimal;
    std::array<QByteArray, 1024> m_volts; // tensao_V of each reading, as the readout has it
    qint64 m_cachedSecond = -1;           // the wall-clock second last written, and its text
    QByteArray m_secondText;
};
