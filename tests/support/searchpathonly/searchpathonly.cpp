// An audit module for the dynamic loader (LD_AUDIT), for the tests that start
// the program with a library missing: the libraries the program loads by
// name are looked for in the folders of LD_LIBRARY_PATH only, never in the
// system's, so that a copy the machine has installed cannot stand in for the
// missing one. Everything else is found as usual.
#include <link.h>

#include <cstdint>
#include <cstring>

namespace {

bool loadedByName(const char* path) {
    const char* slash = std::strrchr(path, '/');
    const char* name = slash ? slash + 1 : path;
    return std::strcmp(name, "libQuelbin.so") == 0 || std::strcmp(name, "libTarvox.so") == 0;
}

} // namespace

extern "C" {

unsigned int la_version(unsigned int) {
    return LAV_CURRENT;
}

// Only an object that asks for it at its opening has its searches shown to
// la_objsearch: all do.
unsigned int la_objopen(link_map*, Lmid_t, std::uintptr_t*) {
    return LA_FLG_BINDFROM;
}

// Each place the loader is about to try; null skips it.
char* la_objsearch(const char* name, std::uintptr_t*, unsigned int flag) {
    const bool system = flag == LA_SER_RUNPATH || flag == LA_SER_CONFIG || flag == LA_SER_DEFAULT;
    return system && loadedByName(name) ? nullptr : const_cast<char*>(name);
}
}
