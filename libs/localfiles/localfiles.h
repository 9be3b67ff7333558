// What our libraries read from the machine itself: files named by the user
// (UTF-8 names, opened as Unicode on Windows), variables, and whether
// OpenSSL can find the system's trusted certificates. The platform's part is
// in localfiles_unix.cpp and localfiles_win.cpp, the rest in localfiles.cpp.
#pragma once

#include <cstdio>
#include <optional>
#include <string>

namespace solvane {

// A file opened for reading, or why it cannot be ("does not exist", "is a
// directory", the system's reason).
struct FileOpened {
    std::FILE* file = nullptr; // the caller closes it
    std::string error;
};

// The file named in UTF-8, opened for reading in binary mode.
FileOpened openLocalFile(const std::string& utf8Path);

// A file's contents, or why it cannot be read.
struct FileRead {
    std::optional<std::string> content;
    std::string error;
};

// At most `longest` bytes of the file named in UTF-8.
FileRead readLocalFile(const std::string& utf8Path, std::size_t longest = 1024 * 1024);

// The variable's value in UTF-8; none when unset or empty.
std::optional<std::string> environmentValue(const char* name);

// Whether TLS can check a broker's certificate against the system's trusted
// certificates. Not on Windows: the OpenSSL built for it has no store there.
bool systemCertificatesUsable();

#ifdef _WIN32
// A UTF-8 text as Windows' own Unicode, for its file and folder functions.
std::wstring wideText(const std::string& utf8);
// Windows' Unicode text as UTF-8.
std::string utf8Text(const wchar_t* text);
#endif

} // namespace solvane
