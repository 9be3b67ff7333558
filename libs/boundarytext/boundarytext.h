// Names cross the acquisition library's boundary in the system's ANSI code
// page on Windows and in Windows-1252 elsewhere, as the program decodes them.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace solvane {

// On Windows, a letter the system's code page lacks becomes its nearest one
// there ("é" is "e" in code page 1251), never a byte that reads as another
// letter; one it has no near letter for becomes '?'. A zero byte within the
// text becomes '?', so that the name ends where the text ends.

// `western`, Windows-1252 text, as the program must receive it.
std::string westernToBoundaryText(std::string_view western);

// `utf8` as the program must receive it; malformed sequences become '?'.
std::string utf8ToBoundaryText(std::string_view utf8);

// Writes `utf8`, one line, into the program's buffer of `size` bytes (at
// least 4) as it must receive it, ended by a zero byte; a line too long for
// it is cut and ends in "...".
void writeBoundaryLine(std::string_view utf8, char* buffer, std::size_t size);

} // namespace solvane
