// The one way the libraries we ship write a name into the acquisition
// library's name buffer (QUELBIN_NAME_SIZE bytes, quelbin.h): in the code
// page the program reads names in (namecodepage.h), cut to the buffer's size
// less one byte, and ended by a zero byte; the bytes after that zero are left
// as they are.
#pragma once

#include <span>
#include <string_view>

namespace solvane {

// From Windows-1252 text.
void writeWesternName(std::span<char> buffer, std::string_view windows1252);

// From UTF-8 text; a malformed sequence becomes '?'.
void writeUtf8Name(std::span<char> buffer, std::string_view utf8);

} // namespace solvane
