#include "modconversion.h"

#include "datatypes/numbertext.h"
#include "tarvoxlibrary.h"

#include <concepts>

namespace modConversion {

namespace {

using namespace modTypesDonnées;

struct TextOf {
    QString operator()(std::monostate) const { return QStringLiteral("Inconnu"); }
    QString operator()(bool value) const {
        return value ? QStringLiteral("Vrai") : QStringLiteral("Faux");
    }
    QString operator()(std::integral auto value) const { return numberText::decimalText(value); }
    // Widening a float to double is exact, so the single-precision value is
    // what gets formatted.
    QString operator()(float value) const {
        return numberText::fixed5Text(static_cast<double>(value));
    }
    QString operator()(double value) const { return numberText::fixed5Text(value); }
};

} // namespace

Value Decode(const std::uint8_t* element, DataType code) {
    switch (code) {
    case typeBool:
        // Only the low 16 bits of the truth value count.
        return static_cast<std::uint16_t>(tarvox::ToBOOL(element)) != 0;
    case typeInt1:
        return tarvox::ToINT1(element);
    case typeInt2:
        return tarvox::ToINT2(element);
    case typeInt4:
        return tarvox::ToINT4(element);
    case typeReal4:
        return tarvox::ToREAL4(element);
    case typeReal8:
        return tarvox::ToREAL8(element);
    default:
        return std::monostate{};
    }
}

QString RawToText(const std::uint8_t* element, DataType code) {
    return std::visit(TextOf{}, Decode(element, code));
}

} // namespace modConversion
