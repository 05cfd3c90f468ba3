#pragma once

#include <QLocale>
#include <QString>

/// A number in the classic general format: rounded to 15 significant digits, trailing
/// zeros dropped, fixed notation from 0.00001 up to 15 integer digits, otherwise
/// "1.5E-7" style; ASCII digits and signs, with only the decimal separator taken from the
/// locale (Arabic's "٫" too, never its digits); never a group separator. 2.5 gives "2.5",
/// 0 gives "0", 1/1024*5 gives "0.0048828125".
QString formatGeneral(double value, const QLocale &locale);

/// `value` with `decimals` decimals (0 to 15), in the same style: ASCII digits, the
/// locale's decimal separator, no group separator; a value that rounds to zero has no sign.
QString formatFixed(double value, int decimals, const QLocale &locale);
