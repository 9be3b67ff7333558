#include "sharedobject.h"

#include "localfiles.h"
#include "systemmessage.h"

#include <windows.h>

namespace solvane::record {

SharedObject::SharedObject(const std::string& file) {
    // A path as given; a bare name through the program's own search (its
    // folder, then the system's, then PATH), as Solvane loads its libraries.
    const HMODULE module = LoadLibraryW(wideText(file).c_str());
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
