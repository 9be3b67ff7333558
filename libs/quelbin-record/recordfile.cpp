#include "recordfile.h"

#include <utility>

namespace solvane::record {

RecordFile::~RecordFile() {
    close();
}

RecordFile::RecordFile(RecordFile&& other) noexcept
    : m_handle(std::exchange(other.m_handle, -1)), m_path(std::move(other.m_path)) {}

RecordFile& RecordFile::operator=(RecordFile&& other) noexcept {
    if (this != &other) {
        close();
        m_handle = std::exchange(other.m_handle, -1);
        m_path = std::move(other.m_path);
    }
    return *this;
}

std::optional<std::string> RecordFile::create(const std::string& folder, const std::string& stem) {
    close();
    if (const auto problem = makeFolders(folder))
        return problem;
    for (int number = 1; number < 1000; ++number) {
        std::string name = stem;
        if (number > 1)
            name.append("-").append(std::to_string(number));
        name.append(".csv");
        Created created = createNew(folder, name);
        if (created.handle != -1) {
            m_handle = created.handle;
            m_path = std::move(created.path);
            return std::nullopt;
        }
        if (!created.exists)
            return "cannot make a file in " + folder + ": " + created.error;
    }
    return "cannot make a file in " + folder + ": the names " + stem + ".csv to " + stem +
           "-999.csv are all taken";
}

bool RecordFile::isOpen() const {
    return m_handle != -1;
}

} // namespace solvane::record
