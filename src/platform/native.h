// What differs between the operating systems for the window-free part of the
// program, one source per platform (native_unix.cpp, native_win.cpp): how a
// library is named and searched for, what the loader says when it fails, and
// the system's 8-bit code page. The window's font is in windowfont.h.
#pragma once

#include <QString>

#include <span>

namespace platform {

// The language of a report: the window's French, or English for the agent,
// whose every other line is English.
enum class Language { French, English };

// The file the platform looks for ("libQuelbin.so", "Quelbin.dll").
QString libraryFileName(const QString& baseName);

// How the platform searches for it, for the reader of the report.
QString librarySearchDescription(Language language = Language::French);

// What the operator can start instead of the program alone, in French, one
// line each: the menu entry of the simulated module and its launcher, and
// the launchers of the installed packages with what each one needs.
QString withoutModuleHint();

// Takes the current folder out of the search for libraries loaded by name,
// the rest of the platform's order kept; call before the first load. Linux's
// search never includes it. Raises the internal error if it cannot.
void excludeCurrentFolderFromLibrarySearch();

// The environment variable whose folders the library search reads first
// after the program's own ("LD_LIBRARY_PATH", "PATH").
QString librarySearchVariable();

// The loader's own words on the function look-up that has just failed; read
// it at once, before anything else can overwrite it.
QString lastLookupError();

// Decodes the bytes as text of the system's ANSI code page (Windows-1252
// outside Windows), every byte kept, zero bytes included. Raises the internal
// error if the code page cannot be decoded, rather than showing blank names.
QString decodeAnsi(std::span<const char> bytes);

} // namespace platform
