#include "text.h"

#include <QLocale>

#include <algorithm>
#include <cmath>

namespace platform {

namespace {

QLocale numberLocale() {
    QLocale locale; // the user's settings unless a test sets the default
    locale.setNumberOptions(locale.numberOptions() | QLocale::OmitGroupSeparator);
    return locale;
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
    return numberLocale().toString(value, 'f', QLocale::FloatingPointShortest);
}

QString fixed5Text(double value) {
    if (std::isnan(value))
        return QStringLiteral("Non numérique");
    if (std::isinf(value))
        return value > 0 ? QStringLiteral("+Infini") : QStringLiteral("-Infini");
    return numberLocale().toString(value, 'f', 5);
}

std::size_t lengthToFirstZero(std::span<const char> bytes) {
    return static_cast<std::size_t>(std::find(bytes.begin(), bytes.end(), '\0') - bytes.begin());
}

} // namespace platform
