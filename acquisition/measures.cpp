#include "acquisition/measures.h"

#include "acquisition/generalformat.h"
#include "protocol/boardprotocol.h"

#include <QDateTime>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double kNsPerSecond = 1e9;
const double kNotANumber = std::numeric_limits<double>::quiet_NaN();

CursorReading readingOf(const SampleStore &store, std::int64_t number)
{
    const Sample sample = store.at(number);
    return {number, double(sample.steadyNs - store.timeOrigin()) / kNsPerSecond,
            double(sample.volts()), sample.wallMs};
}

// A sample's voltage is a whole number of steps: readings are summed exactly, in integers.
// Every voltage shown is in millivolts at least; a mean, finer than a step, to a tenth.
QString volts(double value, const QLocale &locale, int decimals = 3)
{
    return std::isnan(value) ? QStringLiteral("—")
                             : formatFixed(value, decimals, locale) + QStringLiteral(" V");
}

QString seconds(double value, const QLocale &locale)
{
    return formatFixed(value, 3, locale) + QStringLiteral(" s"); // to the millisecond, as tempo_s
}

// Four significant digits, in fixed notation: a slope may be a thousandth of a volt a
// second or thousands of them.
QString slope(double value, const QLocale &locale)
{
    if (std::isnan(value))
        return QStringLiteral("—");
    const int magnitude = value == 0.0 ? 0 : int(std::floor(std::log10(std::fabs(value))));
    return formatFixed(value, std::clamp(3 - magnitude, 0, 6), locale) + QStringLiteral(" V/s");
}

QString timeOfDay(std::int64_t wallMs)
{
    return QDateTime::fromMSecsSinceEpoch(wallMs).toString(QStringLiteral("HH:mm:ss"));
}

// A line for each cursor placed, in `pattern`: its name, its sample (counted from 1), its
// time, time of day and voltage.
QStringList cursorLines(const QString &pattern, const Measures &m, const QLocale &locale)
{
    QStringList lines;
    for (const auto &[name, c] :
         {std::pair(QStringLiteral("A"), m.a), std::pair(QStringLiteral("B"), m.b)})
        if (c)
            lines << pattern.arg(name)
                         .arg(c->number + 1)
                         .arg(seconds(c->seconds, locale), timeOfDay(c->wallMs),
                              volts(c->volts, locale));
    return lines;
}

} // namespace

SpanStatistics spanStatistics(const SampleStore &store, std::int64_t first, std::int64_t last)
{
    std::int64_t count = 0;
    std::int64_t sum = 0;
    std::int64_t sumOfSquares = 0;
    int low = kMaxRawReading;
    int high = 0;
    std::int64_t n =
        store.holds(first) ? first : store.nextHeld(std::max<std::int64_t>(first, 0) - 1);
    for (; n <= last && n < store.count(); n = store.nextHeld(n)) {
        const int reading = store.at(n).reading;
        ++count;
        sum += reading;
        sumOfSquares += std::int64_t(reading) * reading;
        low = std::min(low, reading);
        high = std::max(high, reading);
    }
    if (count == 0)
        return {};
    const double step = double(voltageFromRaw(1));
    // N·Σr² − (Σr)² is exact in 128 bits for any number of samples a store can hold.
    const __int128 spread = __int128(count) * sumOfSquares - __int128(sum) * sum;
    const double variance =
        count > 1 ? double(spread) / (double(count) * double(count - 1)) : kNotANumber;
    return {count,
            low * step,
            high * step,
            double(sum) / double(count) * step,
            std::sqrt(double(sumOfSquares) / double(count)) * step,
            std::sqrt(variance) * step};
}

Measures measureBetween(const SampleStore &store, std::optional<std::int64_t> a,
                        std::optional<std::int64_t> b)
{
    Measures measures;
    if (a && store.holds(*a))
        measures.a = readingOf(store, *a);
    if (b && store.holds(*b))
        measures.b = readingOf(store, *b);
    if (!measures.a || !measures.b)
        return measures;
    measures.deltaSeconds = measures.b->seconds - measures.a->seconds;
    measures.deltaVolts = measures.b->volts - measures.a->volts;
    measures.voltsPerSecond =
        measures.deltaSeconds != 0.0 ? measures.deltaVolts / measures.deltaSeconds : kNotANumber;
    measures.span = spanStatistics(store, std::min(*a, *b), std::max(*a, *b));
    return measures;
}

QStringList panelLines(const Measures &m, const QLocale &locale)
{
    QStringList lines = cursorLines(QStringLiteral("%1  nº %2 · %3 · %4 · %5"), m, locale);
    if (!m.a || !m.b)
        return lines;
    lines << QStringLiteral("Δt %1 · ΔV %2 · %3")
                 .arg(seconds(m.deltaSeconds, locale), volts(m.deltaVolts, locale),
                      slope(m.voltsPerSecond, locale));
    lines << QStringLiteral("N %1 · mín %2 · máx %3")
                 .arg(m.span.count)
                 .arg(volts(m.span.min, locale), volts(m.span.max, locale));
    lines << QStringLiteral("média %1 · RMS %2 · DP %3")
                 .arg(volts(m.span.mean, locale, 4), volts(m.span.rms, locale, 4),
                      volts(m.span.standardDeviation, locale, 4));
    return lines;
}

QString measuresText(const Measures &m, const QLocale &locale)
{
    QStringList lines = cursorLines(
        QStringLiteral("Cursor %1: amostra %2; tempo %3; hora %4; tensão %5"), m, locale);
    if (m.a && m.b) {
        const QString deviation = m.span.count > 1
                                      ? volts(m.span.standardDeviation, locale, 4)
                                      : QStringLiteral("— (indefinido para uma só amostra)");
        lines << QStringLiteral("Δt (B − A): ") + seconds(m.deltaSeconds, locale)
              << QStringLiteral("ΔV (B − A): ") + volts(m.deltaVolts, locale)
              << QStringLiteral("Inclinação (ΔV/Δt): ") + slope(m.voltsPerSecond, locale)
              << QStringLiteral("Amostras de A a B (N): %1").arg(m.span.count)
              << QStringLiteral("Mínimo: ") + volts(m.span.min, locale)
              << QStringLiteral("Máximo: ") + volts(m.span.max, locale)
              << QStringLiteral("Média: ") + volts(m.span.mean, locale, 4)
              << QStringLiteral("RMS: ") + volts(m.span.rms, locale, 4)
              << QStringLiteral("Desvio padrão (N − 1): ") + deviation;
    }
    return lines.join(QLatin1Char('\n'));
}
