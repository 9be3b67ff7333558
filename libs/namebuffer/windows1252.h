// Outside Windows, Solvane reads names as Windows-1252; they travel over MQTT
// as UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace solvane {

// Every character Windows-1252 has becomes its byte; any other, and any
// malformed UTF-8 sequence, becomes '?'. Zero bytes become '?' too, so
// that the name ends where the text ends.
std::string utf8ToWindows1252(std::string_view utf8);

// Every byte as its character in UTF-8; the five bytes Windows-1252 leaves
// undefined become the C1 control of their value, as Windows reads them.
std::string windows1252ToUtf8(std::string_view windows1252);

} // namespace solvane
