// What the MQTT link reads from the machine itself: files named by the user
// (UTF-8 names, opened as Unicode on Windows), variables, and whether
// OpenSSL can find the system's trusted certificates. The platform's part is
// in localfiles_unix.cpp and localfiles_win.cpp, the rest in localfiles.cpp.
#pragma once

#include <cstdio>
#include <optional>
#include <string>

namespace solvane::mqtt {

// A file's contents, or why it cannot be read ("does not exist", "is a
// directory", the system's reason).
struct FileRead {
    std::optional<std::string> content;
    std::string error;
};

// At most `longest` bytes of the file named in UTF-8.
FileRead readLocalFile(const std::string& utf8Path, std::size_t longest = 1024 * 1024);

// For the platform's readLocalFile: at most `longest` bytes of a file it has
// opened, which is closed after.
FileRead readAndClose(std::FILE* file, std::size_t longest);

// The variable's value in UTF-8; none when unset or empty.
std::optional<std::string> environmentValue(const char* name);

// Whether TLS can check a broker's certificate against the system's trusted
// certificates. Not on Windows: the OpenSSL built for it has no store there.
bool systemCertificatesUsable();

} // namespace solvane::mqtt
