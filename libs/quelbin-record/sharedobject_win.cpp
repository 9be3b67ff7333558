#include "sharedobject.h"

#include "localfiles.h"
#include "systemmessage.h"

#include <windows.h>

#include <algorithm>

namespace solvane::record {

SharedObject::SharedObject(const std::string& file) {
    // A bare name through the program's own search (its folder, then the
    // system's, then PATH), as Solvane loads its libraries. A path as given,
    // and the libraries it needs looked for in its own folder first, as a
    // maker's library beside Solvane.exe finds them when Solvane loads it.
    const bool path = file.find_first_of("\\/") != std::string::npos;
    // The altered search wants backslashes.
    std::string name = file;
    std::replace(name.begin(), name.end(), '/', '\\');
    const HMODULE module =
        LoadLibraryExW(wideText(name).c_str(), nullptr, path ? LOAD_WITH_ALTERED_SEARCH_PATH : 0);
    if (module == nullptr)
        m_error = systemMessage(GetLastError());
    m_handle = reinterpret_cast<void*>(module);
}

void* SharedObject::symbol(const char* name) const {
    if (m_handle == nullptr)
        return nullptr;
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(m_handle), name));
}

std::string libraryFileName(std::string_view baseName) {
    return std::string(baseName) + ".dll";
}

} // namespace solvane::record
