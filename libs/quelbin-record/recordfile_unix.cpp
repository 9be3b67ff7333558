#include "recordfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace solvane::record {

namespace {

// The folder and those above it, made where missing.
std::optional<std::string> makeFolders(const std::string& folder) {
    for (std::size_t end = folder.find('/', 1);; end = folder.find('/', end + 1)) {
        const std::string part = folder.substr(0, end);
        if (!part.empty() && ::mkdir(part.c_str(), 0777) != 0 && errno != EEXIST)
            return "cannot make the folder " + part + ": " + std::strerror(errno);
        if (end == std::string::npos)
            return std::nullopt;
    }
}

} // namespace

std::optional<std::string> RecordFile::create(const std::string& folder, const std::string& stem) {
    close();
    if (const auto problem = makeFolders(folder))
        return problem;
    for (int number = 1; number < 1000; ++number) {
        const std::string path = folder + "/" + stem +
                                 (number > 1 ? "-" + std::to_string(number) : std::string()) +
                                 ".csv";
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            m_handle = fd;
            m_path = path;
            return std::nullopt;
        }
        if (errno != EEXIST)
            return "cannot make a file in " + folder + ": " + std::strerror(errno);
    }
    return "cannot make a file in " + folder + ": the names " + stem + ".csv to " + stem +
           "-999.csv are all taken";
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
