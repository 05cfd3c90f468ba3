#include "acquisition/generalformat.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

constexpr int kSignificantDigits = 15;
constexpr int kLowestFixedExponent = -5; // 0.00001 still reads as a plain decimal

QString localDigits(const std::string &ascii, const QLocale &locale)
{
    const QString zero = locale.zeroDigit();
    if (zero == QLatin1String("0"))
        return QString::fromLatin1(ascii.data(), static_cast<qsizetype>(ascii.size()));
    QString out;
    for (char c : ascii)
        out += QString(QChar(zero.at(0).unicode() + (c - '0')));
    return out;
}

} // namespace

QString formatGeneral(double value, const QLocale &locale)
{
    if (std::isnan(value))
        return QStringLiteral("NAN");
    if (std::isinf(value))
        return value < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");
    if (value == 0.0)
        return localDigits("0", locale);

    // "%.14e" rounds to exactly 15 significant digits: d.dddddddddddddde[+-]x
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.*e", kSignificantDigits - 1, std::fabs(value));
    const std::string text(buf);
    const auto ePos = text.find('e');
    std::string digits = text.substr(0, 1) + text.substr(2, ePos - 2);
    const int exponent = std::atoi(text.c_str() + ePos + 1);
    while (digits.size() > 1 && digits.back() == '0')
        digits.pop_back();

    const QString point = locale.decimalPoint();
    QString out = value < 0 ? locale.negativeSign() : QString();

    if (exponent < kLowestFixedExponent || exponent >= kSignificantDigits) {
        out += localDigits(digits.substr(0, 1), locale);
        if (digits.size() > 1)
            out += point + localDigits(digits.substr(1), locale);
        out += QLatin1Char('E');
        if (exponent < 0)
            out += locale.negativeSign();
        return out + localDigits(std::to_string(std::abs(exponent)), locale);
    }

    if (exponent < 0) {
        const std::string leading(static_cast<size_t>(-exponent - 1), '0');
        return out + localDigits("0", locale) + point + localDigits(leading + digits, locale);
    }
    const auto integerDigits = static_cast<size_t>(exponent) + 1;
    if (digits.size() <= integerDigits)
        return out + localDigits(digits + std::string(integerDigits - digits.size(), '0'), locale);
    return out + localDigits(digits.substr(0, integerDigits), locale) + point
           + localDigits(digits.substr(integerDigits), locale);
}
