// The code page in which the program reads names from the acquisition
// library: the system's ANSI code page on Windows, Windows-1252 elsewhere.
// Used by the name writer (namebuffer.h), and by the recording library to
// keep a module's names in UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace solvane {

// On Windows, a letter the system's code page lacks becomes its nearest one
// there ("é" is "e" in code page 1251), never a byte that reads as another
// letter; one it has no near letter for becomes '?'. A zero byte within the
// text becomes '?', so that the name ends where the text ends.

// `western`, Windows-1252 text, as the program must receive it.
std::string westernToNameCodePage(std::string_view western);

// `utf8` as the program must receive it; malformed sequences become '?'.
std::string utf8ToNameCodePage(std::string_view utf8);

// A name as the program receives it, in UTF-8: the inverse of
// utf8ToNameCodePage for every letter the code page has.
std::string nameCodePageToUtf8(std::string_view name);

} // namespace solvane
