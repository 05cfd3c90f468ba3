#include "recording/csvformat.h"

#include "acquisition/generalformat.h"
#include "protocol/boardprotocol.h"

#include <charconv>
#include <cstdio>

namespace {

void appendNumber(QByteArray &out, qint64 value)
{
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    out.append(digits, end - digits);
}

} // namespace

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
    tzset();
}

QByteArray CsvFormat::header() const
{
    QByteArray names("amostra,instante,tempo_s,canal,leitura,tensao_V\n");
    return names.replace(',', m_separator);
}

void CsvFormat::appendRow(QByteArray &out, qint64 number, const SampleRecord &sample,
                          qint64 sinceFirstNs)
{
    appendNumber(out, number);
    out.append(m_separator);
    appendInstant(out, sample.wallMs);
    out.append(m_separator);
    const qint64 ms = std::max<qint64>(sinceFirstNs, 0) / 1000000;
    appendNumber(out, ms / 1000);
    const int fraction = static_cast<int>(ms % 1000);
    const char thousandths[] = {m_decimal, char('0' + fraction / 100),
                                char('0' + fraction / 10 % 10), char('0' + fraction % 10)};
    out.append(thousandths, sizeof thousandths);
    out.append(m_separator);
    if (sample.channel != 0) // empty before the first poll: no channel was asked for
        appendNumber(out, sample.channel);
    out.append(m_separator);
    const std::uint16_t reading = std::min(sample.reading, kMaxRawReading);
    appendNumber(out, reading);
    out.append(m_separator);
    out.append(m_volts[reading]);
    out.append('\n');
}

void CsvFormat::appendInstant(QByteArray &out, qint64 wallMs)
{
    // Local time with milliseconds and no offset, 2026-12-07T14:30:05.123: spreadsheets read
    // it as a date and time. The calendar is worked out once a second.
    const qint64 second = wallMs >= 0 ? wallMs / 1000 : (wallMs - 999) / 1000;
    if (second != m_cachedSecond) {
        m_cachedSecond = static_cast<std::time_t>(second);
        std::tm local{};
        localtime_r(&m_cachedSecond, &local);
        std::strftime(m_secondText, sizeof m_secondText, "%Y-%m-%dT%H:%M:%S", &local);
    }
    out.append(m_secondText);
    const int ms = static_cast<int>(wallMs - second * 1000);
    const char millis[] = {'.', char('0' + ms / 100), char('0' + ms / 10 % 10),
                           char('0' + ms % 10)};
    out.append(millis, sizeof millis);
}
