#include "localfiles.h"

#include <cerrno>
#include <cstring>

namespace solvane::mqtt {

FileRead readAndClose(std::FILE* file, std::size_t longest) {
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

} // namespace solvane::mqtt
