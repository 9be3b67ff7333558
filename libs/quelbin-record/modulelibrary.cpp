#include "modulelibrary.h"

#include "printabletext.h"
#include "sharedobject.h"

namespace solvane::record {

LoadedModule loadModule(const std::optional<std::string>& path, const char* variable) {
    if (!path)
        return {std::nullopt, std::string(variable) +
                                  " is not set: it must give the path of the module's own "
                                  "acquisition library"};
    const std::string named = std::string(variable) + "=" + quoted(*path);
    const SharedObject library(*path);
    if (!library.loaded())
        return {std::nullopt, named + " cannot be loaded: " + shown(library.error())};
    QuelbinFunctions f;
    if (const char* missing = f.resolve([&](const char* name) { return library.symbol(name); }))
        return {std::nullopt, named + " has no function " + missing};
    // A bare name, or the path of this very library, finds the recording
    // library again: it would call itself for ever.
    if (f.getNbAcqui == &::getNbAcqui)
        return {std::nullopt, named + " is the recording library itself: give the path of "
                                      "the module's own library"};
    return {f, {}};
}

} // namespace solvane::record
