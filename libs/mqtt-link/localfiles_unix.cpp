#include "localfiles.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace solvane::mqtt {

FileRead readLocalFile(const std::string& utf8Path, std::size_t longest) {
    struct stat status {};
    if (::stat(utf8Path.c_str(), &status) != 0)
        return {std::nullopt, errno == ENOENT ? "does not exist" : std::strerror(errno)};
    if (S_ISDIR(status.st_mode))
        return {std::nullopt, "is a directory"};
    std::FILE* file = std::fopen(utf8Path.c_str(), "rb");
    if (file == nullptr)
        return {std::nullopt, std::strerror(errno)};
    return readAndClose(file, longest);
}

std::optional<std::string> environmentValue(const char* name) {
    const char* value = std::getenv(name);
    return value && *value ? std::optional<std::string>(value) : std::nullopt;
}

bool systemCertificatesUsable() {
    return true;
}

} // namespace solvane::mqtt
