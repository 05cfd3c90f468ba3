#include "acquisition/generalformat.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <string>

namespace {

constexpr int kSignificantDigits = 15;
constexpr int kLowestFixedExponent = -5; // 0.00001 still reads as a plain decimal

QString ascii(const std::string &text)
{
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

QString formatGeneral(double value, const QLocale &locale)
{
    if (std::isnan(value))
        return QStringLiteral("NAN");
    if (std::isinf(value))
        return std::signbit(value) ? QStringLiteral("-INF") : QStringLiteral("INF");
    if (value == 0.0)
        return QStringLiteral("0");

    // "%.14e" rounds to exactly 15 significant digits: d.dddddddddddddde[+-]x
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.*e", kSignificantDigits - 1, std::fabs(value));
    const std::string text(buf);
    const auto ePos = text.find('e');
    // The C library writes the decimal mark of the process's locale, which may take more
    // than one byte (Pashto's "٫"): keep the digits around it, whatever it is.
    std::string digits;
    std::copy_if(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(ePos),
                 std::back_inserter(digits), [](char c) { return c >= '0' && c <= '9'; });
    const int exponent = std::atoi(text.c_str() + ePos + 1);
    while (digits.size() > 1 && digits.back() == '0')
        digits.pop_back();

    const QString point = locale.decimalPoint();
    QString out = std::signbit(value) ? QStringLiteral("-") : QString();

    if (exponent < kLowestFixedExponent || exponent >= kSignificantDigits) {
        out += ascii(digits.substr(0, 1));
        if (digits.size() > 1)
            out += point + ascii(digits.substr(1));
        return out + ascii("E" + std::to_string(exponent));
    }

    if (exponent < 0) {
        const std::string leading(static_cast<size_t>(-exponent - 1), '0');
        return out + QLatin1Char('0') + point + ascii(leading + digits);
    }
    const auto integerDigits = static_cast<size_t>(exponent) + 1;
    if (digits.size() <= integerDigits)
        return out + ascii(digits + std::string(integerDigits - digits.size(), '0'));
    return out + ascii(digits.substr(0, integerDigits)) + point
           + ascii(digits.substr(integerDigits));
}

QString formatFixed(double value, int decimals, const QLocale &locale)
{
    QString text = QString::number(value, 'f', decimals);
    if (text.startsWith(QLatin1Char('-'))
        && text.count(QLatin1Char('0')) == text.size() - 1 - (decimals > 0 ? 1 : 0))
        text.remove(0, 1); // -0.000
    return text.replace(QLatin1Char('.'), locale.decimalPoint());
}
