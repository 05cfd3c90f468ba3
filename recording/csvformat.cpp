#include "recording/csvformat.h"

#include "acquisition/generalformat.h"
#include "protocol/boardprotocol.h"

#include <QDateTime>

#include <algorithm>
#include <charconv>

CsvFormat::CsvFormat(const QLocale &locale)
{
    // Only a comma counts: a locale with another mark (Arabic's, Pashto's) gets the dot,
    // which every spreadsheet reads.
    const bool comma = locale.decimalPoint() == QLatin1String(",");
    m_separator = comma ? ';' : ',';
    m_decimal = comma ? ',' : '.';
    for (std::uint16_t reading = 0; reading <= kMaxRawReading; ++reading) {
        QByteArray volts = formatGeneral(voltageFromRaw(reading), QLocale::c()).toLatin1();
        m_volts[reading] = volts.replace('.', m_decimal);
    }
}

QByteArray CsvFormat::header() const
{
    QByteArray names("amostra,instante,tempo_s,canal,leitura,tensao_V,evento\n");
    return names.replace(',', m_separator);
}

void CsvFormat::appendRow(QByteArray &out, qint64 number, const Sample &sample, qint64 sinceFirstNs,
                          const QByteArray &event)
{
    // Built in place and appended at once: at tens of thousands of rows a second, each
    // append's own checks would cost more than the row.
    char row[160];
    char *at = std::to_chars(row, row + 24, number).ptr;
    *at++ = m_separator;
    at = writeInstant(at, sample.wallMs);
    *at++ = m_separator;
    const qint64 ms = std::max<qint64>(sinceFirstNs, 0) / 1000000;
    at = std::to_chars(at, at + 24, ms / 1000).ptr;
    const int fraction = static_cast<int>(ms % 1000);
    *at++ = m_decimal;
    *at++ = char('0' + fraction / 100);
    *at++ = char('0' + fraction / 10 % 10);
    *at++ = char('0' + fraction % 10);
    *at++ = m_separator;
    if (sample.channel != 0) // empty before the first poll: no channel was asked for
        at = std::to_chars(at, at + 4, sample.channel).ptr;
    *at++ = m_separator;
    const std::uint16_t reading = std::min(sample.reading, kMaxRawReading);
    at = std::to_chars(at, at + 5, reading).ptr;
    *at++ = m_separator;
    const QByteArray &volts = m_volts[reading];
    at = std::copy_n(volts.constData(), volts.size(), at);
    *at++ = m_separator;
    if (event.isEmpty()) { // most rows
        *at++ = '\n';
        out.append(row, at - row);
        return;
    }
    out.append(row, at - row);
    out.append(event);
    out.append('\n');
}

QByteArray CsvFormat::eventField(const QString &text)
{
    QString line = text;
    for (QChar &c : line)
        if (c.category() == QChar::Other_Control || c == QChar::LineSeparator
            || c == QChar::ParagraphSeparator)
            c = QLatin1Char(' ');
    QByteArray field = line.toUtf8();
    // Either separator is quoted: a spreadsheet may guess the other one.
    if (field.contains(',') || field.contains(';') || field.contains('"'))
        field = '"' + field.replace('"', "\"\"") + '"';
    return field;
}

char *CsvFormat::writeInstant(char *at, qint64 wallMs)
{
    // Local time with milliseconds and no offset, 2026-12-07T14:30:05.123: spreadsheets read
    // it as a date and time. The calendar is worked out once a second.
    const qint64 second = wallMs >= 0 ? wallMs / 1000 : (wallMs - 999) / 1000;
    if (second != m_cachedSecond) {
        m_cachedSecond = second;
        m_secondText = QDateTime::fromSecsSinceEpoch(second)
                           .toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss"))
                           .toLatin1();
    }
    at = std::copy_n(m_secondText.constData(), m_secondText.size(), at);
    const int ms = static_cast<int>(wallMs - second * 1000);
    *at++ = '.';
    *at++ = char('0' + ms / 100);
    *at++ = char('0' + ms / 10 % 10);
    *at++ = char('0' + ms % 10);
    return at;
}
