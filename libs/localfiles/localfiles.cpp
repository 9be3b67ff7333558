#include "localfiles.h"

#include <cerrno>
#include <cstring>

namespace solvane {

FileRead readLocalFile(const std::string& utf8Path, std::size_t longest) {
    const FileOpened opened = openLocalFile(utf8Path);
    if (opened.file == nullptr)
        return {std::nullopt, opened.error};
    std::string content(longest, '\0');
    const std::size_t read = std::fread(content.data(), 1, longest, opened.file);
    const bool failed = std::ferror(opened.file) != 0;
    const int error = errno;
    std::fclose(opened.file);
    if (failed)
        return {std::nullopt, std::strerror(error)};
    content.resize(read);
    return {content, {}};
}

} // namespace solvane
