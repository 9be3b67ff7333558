#include "localfiles.h"

#include <windows.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace solvane {

std::wstring wideText(const std::string& utf8) {
    const int size =
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring text(static_cast<std::size_t>(size > 0 ? size : 0), L'\0');
    if (size > 0)
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), text.data(),
                            size);
    return text;
}

std::string utf8Text(const wchar_t* text) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1)
        return {};
    std::string result(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, result.data(), size, nullptr, nullptr);
    result.pop_back(); // the terminating zero
    return result;
}

FileOpened openLocalFile(const std::string& utf8Path) {
    const std::wstring path = wideText(utf8Path);
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
            return {nullptr, "does not exist"};
    } else if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return {nullptr, "is a directory"};
    }
    std::FILE* file = _wfopen(path.c_str(), L"rb");
    if (file == nullptr)
        return {nullptr, std::strerror(errno)};
    return {file, {}};
}

std::optional<std::string> environmentValue(const char* name) {
    // The system's own Unicode copy: the C library's narrow one is in the
    // ANSI code page, which may lack letters of a path.
    const std::wstring wideName = wideText(name);
    const DWORD size = GetEnvironmentVariableW(wideName.c_str(), nullptr, 0);
    if (size <= 1)
        return std::nullopt;
    std::wstring value(size, L'\0');
    if (GetEnvironmentVariableW(wideName.c_str(), value.data(), size) != size - 1)
        return std::nullopt;
    return utf8Text(value.c_str());
}

bool systemCertificatesUsable() {
    return false;
}

} // namespace solvane
