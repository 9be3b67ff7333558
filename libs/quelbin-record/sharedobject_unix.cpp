#include "sharedobject.h"

#include <dlfcn.h>

namespace solvane::record {

SharedObject::SharedObject(const std::string& file) {
    m_handle = ::dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (m_handle == nullptr) {
        const char* says = ::dlerror();
        m_error = says ? says : "the loader gives no reason";
    }
}

void* SharedObject::symbol(const char* name) const {
    return m_handle ? ::dlsym(m_handle, name) : nullptr;
}

std::string libraryFileName(std::string_view baseName) {
    return "lib" + std::string(baseName) + ".so";
}

} // namespace solvane::record
