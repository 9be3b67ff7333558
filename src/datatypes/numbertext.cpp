#include "numbertext.h"

#include <QLocale>

#include <cmath>

namespace numberText {

namespace {

// Numbers are plain decimals whatever the locale: ASCII digits and '-', no
// grouping. Only the decimal separator is the user's (the default locale,
// which follows the user's settings unless a test sets it).
QString withUserSeparator(QString text) {
    const QString separator = QLocale().decimalPoint();
    if (separator != QLatin1String("."))
        text.replace(QLatin1Char('.'), separator);
    return text;
}

} // namespace

QString decimalText(std::int64_t value) {
    return QString::number(value);
}

double roundHalfEven2(double value) {
    // From 2^52 on every double is whole, and scaling by 100 could overflow.
    if (!(std::fabs(value) < 0x1p52))
        return value;
    // The product is rounded as a double first: 1.675 * 100 is exactly
    // 167.5 there, so a decimal halfway case stays halfway.
    return std::nearbyint(value * 100.0) / 100.0;
}

QString shortestText(double value) {
    return withUserSeparator(QString::number(value, 'f', QLocale::FloatingPointShortest));
}

QString fixed5Text(double value) {
    if (std::isnan(value))
        return QStringLiteral("Non numérique");
    if (std::isinf(value))
        return value > 0 ? QStringLiteral("+Infini") : QStringLiteral("-Infini");
    return withUserSeparator(QString::number(value, 'f', 5));
}

} // namespace numberText
