// Raw value conversion: one element of a sensor's raw data to display text.
#pragma once

#include "modtypesdonnees.h"

#include <QString>

#include <cstdint>

namespace modConversion {

// The element's text for the code; "Inconnu", without touching the conversion
// library, for a code outside 0 to 5. The element must lie wholly within the
// caller's buffer for the code's size.
QString RawToText(const std::uint8_t* element, modTypesDonnées::DataType code);

} // namespace modConversion
