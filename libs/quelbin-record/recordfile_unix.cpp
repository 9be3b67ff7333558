#include "recordfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace solvane::record {

std::optional<std::string> RecordFile::makeFolders(const std::string& folder) {
    for (std::size_t end = folder.find('/', 1);; end = folder.find('/', end + 1)) {
        const std::string part = folder.substr(0, end);
        if (!part.empty() && ::mkdir(part.c_str(), 0777) != 0 && errno != EEXIST)
            return "cannot make the folder " + part + ": " + std::strerror(errno);
        if (end == std::string::npos)
            return std::nullopt;
    }
}

RecordFile::Created RecordFile::createNew(const std::string& folder, const std::string& name) {
    Created created;
    created.path = folder + "/" + name;
    const int fd = ::open(created.path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0)
        created.handle = fd;
    else if (errno == EEXIST)
        created.exists = true;
    else
        created.error = std::strerror(errno);
    return created;
}

std::optional<std::string> RecordFile::write(std::string_view text) {
    while (!text.empty()) {
        const ssize_t written = ::write(static_cast<int>(m_handle), text.data(), text.size());
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return std::string(std::strerror(errno));
        }
        text.remove_prefix(static_cast<std::size_t>(written));
    }
    return std::nullopt;
}

std::optional<std::string> RecordFile::sync() {
    if (::fdatasync(static_cast<int>(m_handle)) != 0)
        return std::string(std::strerror(errno));
    return std::nullopt;
}

void RecordFile::close() {
    if (m_handle != -1)
        ::close(static_cast<int>(m_handle));
    m_handle = -1;
}

} // namespace solvane::record
