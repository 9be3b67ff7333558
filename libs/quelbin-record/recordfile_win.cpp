#include "recordfile.h"

#include "localfiles.h"
#include "systemmessage.h"

#include <windows.h>

#include <algorithm>

namespace solvane::record {

namespace {

HANDLE handleOf(std::intptr_t handle) {
    return reinterpret_cast<HANDLE>(handle);
}

bool isSeparator(char c) {
    return c == '\\' || c == '/';
}

} // namespace

std::optional<std::string> RecordFile::makeFolders(const std::string& folder) {
    for (std::size_t end = 0; end <= folder.size(); ++end) {
        if (end < folder.size() && !isSeparator(folder[end]))
            continue;
        const std::string part = folder.substr(0, end);
        // Not a drive ("C:") nor a share's first parts ("\\server\share").
        if (part.empty() || part.back() == ':' ||
            part.find_first_not_of("\\/") == std::string::npos)
            continue;
        if (!CreateDirectoryW(wideText(part).c_str(), nullptr) &&
            GetLastError() != ERROR_ALREADY_EXISTS && GetLastError() != ERROR_ACCESS_DENIED)
            return "cannot make the folder " + part + ": " + systemMessage(GetLastError());
    }
    return std::nullopt;
}

RecordFile::Created RecordFile::createNew(const std::string& folder, const std::string& name) {
    Created created;
    created.path = folder + "\\" + name;
    // CREATE_NEW: never a file that exists. Others may read it meanwhile.
    const HANDLE file = CreateFileW(wideText(created.path).c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                                    nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE)
        created.handle = reinterpret_cast<std::intptr_t>(file);
    else if (GetLastError() == ERROR_FILE_EXISTS)
        created.exists = true;
    else
        created.error = systemMessage(GetLastError());
    return created;
}

std::optional<std::string> RecordFile::write(std::string_view text) {
    while (!text.empty()) {
        const DWORD part = static_cast<DWORD>(std::min<std::size_t>(text.size(), 1U << 30));
        DWORD written = 0;
        if (!WriteFile(handleOf(m_handle), text.data(), part, &written, nullptr))
            return systemMessage(GetLastError());
        text.remove_prefix(written);
    }
    return std::nullopt;
}

std::optional<std::string> RecordFile::sync() {
    if (!FlushFileBuffers(handleOf(m_handle)))
        return systemMessage(GetLastError());
    return std::nullopt;
}

void RecordFile::close() {
    if (m_handle != -1)
        CloseHandle(handleOf(m_handle));
    m_handle = -1;
}

} // namespace solvane::record
