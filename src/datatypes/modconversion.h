// Raw value conversion: one element of a sensor's raw data decoded by the
// conversion library, and as display text.
#pragma once

#include "modtypesdonnees.h"

#include <QString>

#include <cstdint>
#include <variant>

namespace modConversion {

// An element as the conversion library decodes it, at the width the program
// uses of its type: a truth value (the low 16 bits of the library's result),
// an unsigned Int1, an Int2, an Int4, a Real4 or a Real8; none for a code
// outside 0 to 5.
using Value =
    std::variant<std::monostate, bool, std::uint8_t, std::int16_t, std::int32_t, float, double>;

// The element decoded for the code; none, without touching the conversion
// library, for a code outside 0 to 5. The element must lie wholly within the
// caller's buffer for the code's size.
Value Decode(const std::uint8_t* element, modTypesDonnées::DataType code);

// The element's text for the code; "Inconnu", without touching the conversion
// library, for a code outside 0 to 5. The element must lie wholly within the
// caller's buffer for the code's size.
QString RawToText(const std::uint8_t* element, modTypesDonnées::DataType code);

} // namespace modConversion
