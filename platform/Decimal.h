#pragma once
// The process-wide decimal separator of the program's own number texts
// (never the C locale's).
#include <QChar>
#include <QString>
#include <optional>

namespace platform {

QChar decimalSeparator();
void setDecimalSeparator(QChar separator);

// Up to 15 significant digits, no trailing zeros, the separator above.
QString formatReal(long double value);
// Fixed-point with the given number of decimals, e.g. "315,0".
QString formatFixed(long double value, int decimals);
// Whole text must be a number written with the separator above.
std::optional<long double> parseReal(const QString &text);

} // namespace platform
