// Names travel as UTF-8 and Solvane reads them as Windows-1252.
#pragma once

#include <string>
#include <string_view>

namespace solvane::mqtt {

// Every character Windows-1252 has becomes its byte; any other, and any
// malformed UTF-8 sequence, becomes '?'. Zero bytes become '?' too, so
// that the name ends where the text ends.
std::string utf8ToWindows1252(std::string_view utf8);

} // namespace solvane::mqtt
