// The one way the libraries we ship write a text into one of the
// acquisition library's 128-byte buffers (QUELBIN_NAME_SIZE, quelbin.h): a
// name, or the status line of getStatusText. In the code page the program
// reads them in (namecodepage.h), cut to the buffer's size less one byte, and
// ended by a zero byte; the bytes after that zero are left as they are.
#pragma once

#include <span>
#include <string_view>

namespace solvane {

// From Windows-1252 text.
void writeWesternName(std::span<char> buffer, std::string_view windows1252);

// From UTF-8 text; a malformed sequence becomes '?'.
void writeUtf8Name(std::span<char> buffer, std::string_view utf8);

// A status line from UTF-8 text, as writeUtf8Name, but one too long for the
// buffer (at least 4 bytes) ends in "..." where it is cut.
void writeUtf8Line(std::span<char> buffer, std::string_view utf8);

} // namespace solvane
