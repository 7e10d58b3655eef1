#include "Decimal.h"

#include <QRegularExpression>
#include <cstdio>

namespace platform {

namespace {
QChar separator = QLatin1Char('.');
}

QChar decimalSeparator()
{
    return separator;
}

void setDecimalSeparator(QChar value)
{
    separator = value;
}

QString formatReal(long double value)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.15Lg", value);
    QString text = QString::fromLatin1(buffer);
    text.replace(QLatin1Char('.'), separator);
    return text;
}

QString formatFixed(long double value, int decimals)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*Lf", decimals, value);
    QString text = QString::fromLatin1(buffer);
    text.replace(QLatin1Char('.'), separator);
    return text;
}

std::optional<long double> parseReal(const QString &text)
{
    QString trimmed = text.trimmed();
    const QString sep = QRegularExpression::escape(QString(separator));
    static const QString pattern = QStringLiteral("^[+-]?(\\d+(%1\\d*)?|%1\\d+)([eE][+-]?\\d+)?$");
    if (!QRegularExpression(pattern.arg(sep)).match(trimmed).hasMatch())
        return std::nullopt;
    trimmed.replace(separator, QLatin1Char('.'));
    const QByteArray latin = trimmed.toLatin1();
    long double value = 0;
    if (std::sscanf(latin.constData(), "%Lf", &value) != 1)
        return std::nullopt;
    return value;
}

} // namespace platform
