// Text received from elsewhere (a broker, a command line, a file), made safe
// to print in one line.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace solvane {

// Text received from elsewhere, safe to print: control characters, C1
// controls and bytes that are not UTF-8 written as \xNN, and cut after
// `longest` bytes with "…", so that no message can forge a line or drive the
// terminal.
std::string shown(std::string_view text, std::size_t longest = 160);
// The same between single quotes.
std::string quoted(std::string_view text);

} // namespace solvane
