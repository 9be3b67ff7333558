// Numbers as the program shows them, in captions, list entries and log
// lines: plain decimals, the user's decimal separator, no digit grouping.
#pragma once

#include <QString>

#include <cstdint>

namespace numberText {

// "-5", "32768": a minus sign when negative, no blank, no grouping.
QString decimalText(std::int64_t value);

// The value rounded to 2 decimals, halfway cases to the even digit.
double roundHalfEven2(double value);

// Shortest decimal form ("2.5", "1,67", "5"), the user's separator, no grouping.
QString shortestText(double value);

// The "0.00000" format: five decimals, the user's separator, no grouping;
// words for values that are not finite numbers.
QString fixed5Text(double value);

} // namespace numberText
