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
    std::string content(longest, '\0');
    const std::size_t read = std::fread(content.data(), 1, longest, file);
    const bool failed = std::ferror(file) != 0;
    const int error = errno;
    std::fclose(file);
    if (failed)
        return {std::nullopt, std::strerror(error)};
    content.resize(read);
    return {content, {}};
}

std::optional<std::string> environmentValue(const char* name) {
    const char* value = std::getenv(name);
    return value && *value ? std::optional<std::string>(value) : std::nullopt;
}

bool systemCertificatesUsable() {
    return true;
}

} // namespace solvane::mqtt
