#include "localfiles.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace solvane {

FileOpened openLocalFile(const std::string& utf8Path) {
    struct stat status {};
    if (::stat(utf8Path.c_str(), &status) != 0)
        return {nullptr, errno == ENOENT ? "does not exist" : std::strerror(errno)};
    if (S_ISDIR(status.st_mode))
        return {nullptr, "is a directory"};
    std::FILE* file = std::fopen(utf8Path.c_str(), "rb");
    if (file == nullptr)
        return {nullptr, std::strerror(errno)};
    return {file, {}};
}

std::optional<std::string> environmentValue(const char* name) {
    const char* value = std::getenv(name);
    return value && *value ? std::optional<std::string>(value) : std::nullopt;
}

bool systemCertificatesUsable() {
    return true;
}

} // namespace solvane
