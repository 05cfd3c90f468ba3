#include "recording/csvreader.h"

#include "errors/systemreason.h"
#include "protocol/boardprotocol.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

namespace {

constexpr qint64 kChunkBytes = qint64(1) << 20;
// tempo_s beyond about 31 years is no recording's: it would not fit in nanoseconds.
constexpr double kMaxSeconds = 1e9;

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

// The records of a CSV text, cut from a device a chunk at a time: fields split at the
// separator, quotes as RFC 4180 has them (a quoted field may hold the separator, doubled
// quotes and line breaks), lines ended by LF, CRLF or CR. A record is always whole in the
// buffer, so one broken by a quote left open can be cut again from its second line.
class RecordCutter
{
public:
    explicit RecordCutter(QIODevice &device)
        : m_device(device)
    {}

    /// The bytes not yet cut, reading until there are `least` of them or the text ends.
    std::string_view ahead(std::size_t least)
    {
        while (m_buffer.size() - m_pos < least && !m_atEnd)
            readMore();
        return std::string_view(m_buffer).substr(m_pos);
    }
    void skip(std::size_t bytes) { m_pos += bytes; }
    void setSeparator(char separator) { m_separator = separator; }

    /// Cuts the next record; false at the end of the text, or when the device failed.
    bool next()
    {
        for (;;) {
            const char *begin = m_buffer.data() + m_pos;
            const char *end = m_buffer.data() + m_buffer.size();
            if (begin == end && m_atEnd)
                return false;
            const char *after = nullptr;
            if (begin != end && cut(begin, end, &after)) {
                m_pos = std::size_t(after - m_buffer.data());
                m_line = m_nextLine;
                m_nextLine += 1 + m_breaks;
                return true;
            }
            readMore();
            if (m_readError != 0)
                return false;
        }
    }
    /// Goes back to the second line of the record just cut, if it spans lines: for one
    /// broken by a quote left open, whose later lines are rows of their own.
    void resumeAtItsSecondLine()
    {
        if (m_breaks == 0)
            return;
        m_pos = m_secondLine;
        m_nextLine = m_line + 1;
    }

    std::size_t fieldCount() const { return m_fieldCount; }
    std::string_view field(std::size_t i) const
    {
        return i < m_fieldCount ? std::string_view(m_fields[i]) : std::string_view();
    }
    /// The record's first line in the text, from 1.
    qint64 line() const { return m_line; }
    /// Whether a quote was left open, or text followed a closing quote.
    bool broken() const { return m_broken; }
    bool isBlank() const
    {
        for (std::size_t i = 0; i < m_fieldCount; ++i)
            if (!trimmed(m_fields[i]).empty())
                return false;
        return !m_broken;
    }
    /// The errno value of a failed read (-1 when the system gave none), 0 while none failed.
    int readError() const { return m_readError; }

private:
    // Cuts the record at `at`, setting `next` after its line end; false when it runs past
    // `end` and more may come.
    bool cut(const char *at, const char *end, const char **next)
    {
        m_fieldCount = 0;
        m_breaks = 0;
        m_broken = false;
        for (;;) {
            std::string &field = newField();
            if (at < end && *at == '"') {
                if (!cutQuoted(++at, end, field))
                    return false;
                if (at == end) {
                    *next = end;
                    return true;
                }
                if (*at != m_separator && *at != '\n' && *at != '\r')
                    m_broken = true;
            }
            const char *start = at;
            while (at < end && *at != m_separator && *at != '\n' && *at != '\r')
                ++at;
            field.append(start, at);
            if (at == end) {
                *next = end;
                return m_atEnd;
            }
            if (*at == m_separator) {
                ++at;
                continue;
            }
            if (*at++ == '\r') {
                if (at == end && !m_atEnd)
                    return false;
                if (at < end && *at == '\n')
                    ++at;
            }
            *next = at;
            return true;
        }
    }

    // The inside of a quoted field, `at` left after its closing quote; false when it runs
    // past `end` and more may come. Open at the text's end, it is broken.
    bool cutQuoted(const char *&at, const char *end, std::string &field)
    {
        for (;;) {
            const char *quote = static_cast<const char *>(std::memchr(at, '"', end - at));
            const char *stop = quote ? quote : end;
            countBreaks(at, stop, end);
            field.append(at, stop);
            if (!quote) {
                m_broken = true;
                at = end;
                return m_atEnd;
            }
            at = quote + 1;
            if (at == end)
                return m_atEnd;
            if (*at != '"')
                return true;
            field += '"';
            ++at;
        }
    }

    void countBreaks(const char *at, const char *stop, const char *end)
    {
        for (; at < stop; ++at) {
            if (*at != '\n' && !(*at == '\r' && (at + 1 == end || at[1] != '\n')))
                continue;
            if (m_breaks++ == 0)
                m_secondLine = std::size_t(at + 1 - m_buffer.data());
        }
    }

    std::string &newField()
    {
        if (m_fieldCount == m_fields.size())
            m_fields.emplace_back();
        std::string &field = m_fields[m_fieldCount++];
        field.clear();
        return field;
    }

    // Drops what was cut and reads on. A record longer than what is held is read in ever
    // larger steps, so that it is cut again only a few times.
    void readMore()
    {
        m_buffer.erase(0, m_pos);
        m_pos = 0;
        const std::size_t kept = m_buffer.size();
        const qint64 wanted = std::max(kChunkBytes, qint64(kept));
        m_buffer.resize(kept + std::size_t(wanted));
        errno = 0;
        const qint64 got = m_device.read(m_buffer.data() + kept, wanted);
        m_buffer.resize(kept + std::size_t(std::max<qint64>(got, 0)));
        if (got < 0)
            m_readError = errno != 0 ? errno : -1;
        m_atEnd = got <= 0;
    }

    QIODevice &m_device;
    std::string m_buffer;
    std::size_t m_pos = 0; // where the next record starts in m_buffer
    bool m_atEnd = false;
    int m_readError = 0;
    char m_separator = ',';
    std::vector<std::string> m_fields; // the record's, the first m_fieldCount of them
    std::size_t m_fieldCount = 0;
    qint64 m_nextLine = 1;
    qint64 m_line = 0;
    int m_breaks = 0;             // line breaks inside the record's quotes
    std::size_t m_secondLine = 0; // where its second line starts in m_buffer
    bool m_broken = false;
};

// A number as this program or a spreadsheet writes it: digits and at most one decimal
// mark, a comma or a dot, whichever the file has (a spreadsheet's own formats write no
// group separators), spaces around it ignored. Never negative: no column holds one.
struct Number
{
    double value;
    int decimals; // digits written after the mark
};

std::optional<Number> readNumber(std::string_view text)
{
    text = trimmed(text);
    std::array<char, 32> copy;
    if (text.empty() || text.size() > copy.size())
        return {};
    int digits = 0;
    int decimals = 0;
    bool mark = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c >= '0' && c <= '9') {
            ++digits;
            decimals += mark;
            copy[i] = c;
        } else if ((c == ',' || c == '.') && !mark) {
            mark = true;
            copy[i] = '.';
        } else {
            return {};
        }
    }
    if (digits == 0)
        return {};
    Number number{0.0, decimals};
    std::from_chars(copy.data(), copy.data() + text.size(), number.value);
    return number;
}

// A whole number within [least, most], as "3", "3,0" or "3.00".
std::optional<int> readWhole(std::string_view text, int least, int most)
{
    const std::optional<Number> number = readNumber(text);
    if (!number || number->value != std::trunc(number->value) || number->value < least
        || number->value > most)
        return {};
    return int(number->value);
}

// Digits read off the front of a text.
struct Digits
{
    const char *at;
    const char *end;

    // The value of `least` to `most` digits; -1 without `least` of them.
    int take(int least, int most, int *count = nullptr)
    {
        int value = 0;
        int taken = 0;
        for (; at < end && taken < most && *at >= '0' && *at <= '9'; ++at, ++taken)
            value = value * 10 + (*at - '0');
        if (count)
            *count = taken;
        return taken >= least ? value : -1;
    }
    bool skip(char c)
    {
        if (at == end || *at != c)
            return false;
        ++at;
        return true;
    }
};

// instante as the local time of this machine, in milliseconds since the epoch. The
// calendar is worked out once a minute: rows come a second or less apart.
class LocalClock
{
public:
    explicit LocalClock(bool dayFirst)
        : m_dayFirst(dayFirst)
    {}

    /// 0 for an empty instante, or one that is not a date and time.
    qint64 msSinceEpoch(std::string_view text)
    {
        text = trimmed(text);
        Digits d{text.data(), text.data() + text.size()};
        int year = -1;
        int month = -1;
        int day = -1;
        int width = 0;
        const int first = d.take(1, 4, &width);
        if (width == 4 && d.skip('-')) {
            year = first;
            month = d.take(1, 2);
            day = d.skip('-') ? d.take(1, 2) : -1;
        } else if (width <= 2 && d.skip('/')) {
            const int second = d.take(1, 2);
            year = d.skip('/') ? d.take(4, 4) : -1;
            day = m_dayFirst ? first : second;
            month = m_dayFirst ? second : first;
        }
        if (!d.skip('T') && !d.skip(' '))
            return 0;
        while (d.skip(' ')) {
        }
        const int hour = d.take(1, 2);
        const int minute = d.skip(':') ? d.take(2, 2) : -1;
        int second = 0;
        int ms = 0;
        if (d.skip(':')) {
            second = d.take(2, 2);
            if (d.skip('.') || d.skip(',')) { // a spreadsheet in pt_BR writes a comma
                int digits = 0;
                ms = d.take(1, 3, &digits) * (digits == 1 ? 100 : digits == 2 ? 10 : 1);
                d.take(0, 9); // beyond the millisecond, cut as the program does
            }
        }
        const QDate date(year, month, day);
        if (d.at != d.end || !date.isValid() || hour < 0 || hour > 23 || minute < 0 || minute > 59
            || second < 0 || second > 59 || ms < 0)
            return 0;
        const qint64 key = (date.toJulianDay() * 24 + hour) * 60 + minute;
        if (key != m_minuteKey) {
            m_minuteKey = key;
            m_minuteMs = minuteStart(date, hour, minute);
        }
        return m_minuteMs == 0 ? 0 : m_minuteMs + second * 1000 + ms;
    }

private:
    static qint64 minuteStart(QDate date, int hour, int minute)
    {
        const QDateTime local(date, QTime(hour, minute), Qt::LocalTime);
        if (local.isValid())
            return local.toMSecsSinceEpoch();
        // A time the clock skipped as it moved forward (the file was written in another
        // zone): read with the offset in force before the change.
        const QDateTime hourBefore = QDateTime(date, QTime(hour, minute), Qt::UTC).addSecs(-3600);
        const QDateTime earlier(hourBefore.date(), hourBefore.time(), Qt::LocalTime);
        return earlier.isValid() ? earlier.toMSecsSinceEpoch() + 3600 * 1000 : 0;
    }

    bool m_dayFirst;
    qint64 m_minuteKey = -1;
    qint64 m_minuteMs = 0;
};

// An event's text: UTF-8 as the program writes it, or Latin-1 where the bytes are not
// UTF-8 (Excel saves CSV in the Windows code page).
QString eventText(std::string_view bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
    return utf8.hasError() ? QString::fromLatin1(bytes.data(), qsizetype(bytes.size())) : text;
}

// Where each column is, by its name in the header (amostra is first: the separator was
// found after it; its numbers are not read, the file's order is the samples').
struct Columns
{
    static constexpr std::size_t kNone = std::size_t(-1);
    std::size_t count = 0;
    std::size_t instante = kNone;
    std::size_t tempo = kNone;
    std::size_t canal = kNone;
    std::size_t leitura = kNone;
    std::size_t tensao = kNone;
    std::size_t evento = kNone;
};

std::optional<Columns> columnsOf(const RecordCutter &header)
{
    Columns columns;
    for (std::size_t i = 0; i < header.fieldCount(); ++i) {
        const std::string_view name = trimmed(header.field(i));
        if (!name.empty())
            columns.count = i + 1; // a spreadsheet may add empty columns after the last
        for (auto [column, wanted] :
             {std::pair(&columns.instante, "instante"), std::pair(&columns.tempo, "tempo_s"),
              std::pair(&columns.canal, "canal"), std::pair(&columns.leitura, "leitura"),
              std::pair(&columns.tensao, "tensao_V"), std::pair(&columns.evento, "evento")})
            if (name == wanted)
                *column = i;
    }
    if (columns.instante == Columns::kNone || columns.tempo == Columns::kNone
        || columns.canal == Columns::kNone || columns.leitura == Columns::kNone
        || columns.tensao == Columns::kNone)
        return {};
    return columns;
}

// The rows after the header, each a sample (and an event) or nothing.
class RowReader
{
public:
    RowReader(const Columns &columns, char separator)
        : m_columns(columns)
        , m_clock(separator == ';')
    {}

    /// Adds the row just cut to `read`; false when it can't be read.
    bool take(const RecordCutter &row, RecordingRead &read)
    {
        if (row.broken())
            return false;
        // More fields than the header: a decimal comma taken for a separator, or some
        // other table's row.
        for (std::size_t i = m_columns.count; i < row.fieldCount(); ++i)
            if (!trimmed(row.field(i)).empty())
                return false;
        const std::optional<Number> seconds = readNumber(row.field(m_columns.tempo));
        if (!seconds || seconds->value >= kMaxSeconds)
            return false;
        const qint64 steadyNs = std::llround(seconds->value * 1e9);
        const std::optional<int> reading =
            readWhole(row.field(m_columns.leitura), 0, kMaxRawReading);
        const std::optional<Number> volts = readNumber(row.field(m_columns.tensao));
        if (steadyNs < m_lastNs || !reading || !volts || !agree(*reading, *volts))
            return false;
        int channel = 0;
        const std::string_view canal = row.field(m_columns.canal);
        if (!trimmed(canal).empty()) {
            const std::optional<int> polled = readWhole(canal, 1, kChannelCount);
            if (!polled)
                return false;
            channel = *polled;
        }
        const qint64 wallMs = m_clock.msSinceEpoch(row.field(m_columns.instante));
        read.samples.push_back({steadyNs, wallMs, std::uint16_t(*reading), std::uint8_t(channel)});
        m_lastNs = steadyNs;
        const std::string_view text = row.field(m_columns.evento);
        if (!text.empty())
            read.events.emplace_back(read.samples.size() - 1, eventText(text));
        return true;
    }

private:
    // Whether tensao_V is the reading's voltage written to its decimals: within half a
    // unit of its last digit (written in full, it is exact).
    static bool agree(int reading, Number volts)
    {
        const double halfUnit = 0.5 * std::pow(10.0, -volts.decimals);
        return std::abs(volts.value - voltageFromRaw(std::uint16_t(reading)))
               <= halfUnit * (1 + 1e-9);
    }

    Columns m_columns;
    LocalClock m_clock;
    qint64 m_lastNs = 0;
};

RecordingRead refused(const QString &reason)
{
    RecordingRead read;
    read.refusal = reason;
    return read;
}

QString readFailure(int error, const QIODevice &device)
{
    return failureReason(error, device.errorString());
}

const QString kNotOurs = QStringLiteral(
    "não é um arquivo de dados deste programa: a primeira linha não traz as colunas amostra, "
    "instante, tempo_s, canal, leitura e tensao_V");

} // namespace

RecordingRead readRecording(const QString &path)
{
    // Never a pipe or a device: a pipe would hold the reader until someone wrote to it.
    const QFileInfo info(path);
    if (info.exists() && !info.isFile())
        return refused(
            QStringLiteral("não é um arquivo comum (é uma pasta, um pipe ou um dispositivo)"));
    QFile file(path);
    errno = 0;
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return refused(failureReason(errno, file.errorString()));
    return readRecording(file);
}

RecordingRead readRecording(QIODevice &device)
{
    RecordCutter cutter(device);
    std::string_view start = cutter.ahead(16);
    if (cutter.readError() != 0)
        return refused(readFailure(cutter.readError(), device));
    const std::string_view bom = "\xEF\xBB\xBF";
    if (start.substr(0, bom.size()) == bom) {
        cutter.skip(bom.size());
        start.remove_prefix(bom.size());
    }
    if (start.empty())
        return refused(QStringLiteral("o arquivo está vazio"));
    // The separator is what follows the first column's name, quoted or not.
    const std::string_view name = start.substr(0, 1) == "\"" ? "\"amostra\"" : "amostra";
    const char separator = start.size() > name.size() ? start[name.size()] : 0;
    if (start.substr(0, name.size()) != name || (separator != ';' && separator != ','))
        return refused(kNotOurs);
    cutter.setSeparator(separator);
    const bool header = cutter.next();
    if (cutter.readError() != 0)
        return refused(readFailure(cutter.readError(), device));
    const std::optional<Columns> columns = header ? columnsOf(cutter) : std::nullopt;
    if (!columns)
        return refused(kNotOurs);

    RecordingRead read;
    RowReader rows(*columns, separator);
    while (cutter.next()) {
        if (cutter.isBlank() || rows.take(cutter, read))
            continue;
        if (cutter.broken())
            cutter.resumeAtItsSecondLine();
        if (read.skippedRows++ == 0)
            read.firstSkippedLine = cutter.line();
    }
    if (cutter.readError() != 0)
        return refused(readFailure(cutter.readError(), device));
    if (!read.samples.empty())
        return read;
    if (read.skippedRows == 0)
        read.refusal = QStringLiteral("não há nenhuma amostra no arquivo, só a linha de títulos");
    else if (read.skippedRows == 1)
        read.refusal = QStringLiteral("a única linha de amostra, a linha %1, não pôde ser lida")
                           .arg(read.firstSkippedLine);
    else
        read.refusal = QStringLiteral("nenhuma das %1 linhas de amostras pôde ser lida (a "
                                      "primeira delas é a linha %2)")
                           .arg(read.skippedRows)
                           .arg(read.firstSkippedLine);
    return read;
}
