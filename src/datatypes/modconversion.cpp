#include "modconversion.h"

#include "platform/text.h"
#include "tarvoxlibrary.h"

namespace modConversion {

using namespace modTypesDonnées;

QString RawToText(const std::uint8_t* element, DataType code) {
    switch (code) {
    case typeBool:
        // Only the low 16 bits of the truth value count.
        return static_cast<std::uint16_t>(tarvox::ToBOOL(element)) != 0 ? QStringLiteral("Vrai")
                                                                        : QStringLiteral("Faux");
    case typeInt1:
        return platform::decimalText(tarvox::ToINT1(element));
    case typeInt2:
        return platform::decimalText(tarvox::ToINT2(element));
    case typeInt4:
        return platform::decimalText(tarvox::ToINT4(element));
    case typeReal4:
        // Widening a float to double is exact, so the single-precision value
        // is what gets formatted.
        return platform::fixed5Text(static_cast<double>(tarvox::ToREAL4(element)));
    case typeReal8:
        return platform::fixed5Text(tarvox::ToREAL8(element));
    default:
        return QStringLiteral("Inconnu");
    }
}

} // namespace modConversion
