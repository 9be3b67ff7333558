// A choice of sensors as the user writes it, for the agent's --sensors and
// the recording library's SOLVANE_RECORD_SENSORS.
#pragma once

#include <optional>
#include <set>
#include <string_view>

namespace solvane {

// "0,2,5-7": sensor indices 0 to 31, single or as ranges, blanks allowed
// around each; none for anything else.
std::optional<std::set<int>> parseSensorList(std::string_view text);

} // namespace solvane
