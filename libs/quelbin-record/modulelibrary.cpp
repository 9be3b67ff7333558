#include "modulelibrary.h"

#include "printabletext.h"
#include "sharedobject.h"

namespace solvane::record {

namespace {

template <typename Function>
bool find(const SharedObject& library, Function& function, const char* name) {
    function = reinterpret_cast<Function>(library.symbol(name));
    return function != nullptr;
}

} // namespace

LoadedModule loadModule(const std::optional<std::string>& path, const char* variable) {
    if (!path)
        return {std::nullopt, std::string(variable) +
                                  " is not set: it must give the path of the module's own "
                                  "acquisition library"};
    const std::string named = std::string(variable) + "=" + quoted(*path);
    const SharedObject library(*path);
    if (!library.loaded())
        return {std::nullopt, named + " cannot be loaded: " + shown(library.error())};
    ModuleFunctions f;
    for (const auto& [found, name] :
         {std::pair{find(library, f.getNbAcqui, "getNbAcqui"), "getNbAcqui"},
          {find(library, f.getNbDevices, "getNbDevices"), "getNbDevices"},
          {find(library, f.getDevice, "getDevice"), "getDevice"},
          {find(library, f.getNbCommands, "getNbCommands"), "getNbCommands"},
          {find(library, f.getCommandName, "getCommandName"), "getCommandName"},
          {find(library, f.addCommand, "addCommand"), "addCommand"},
          {find(library, f.getRawDataInfo, "getRawDataInfo"), "getRawDataInfo"},
          {find(library, f.getRawData, "getRawData"), "getRawData"}}) {
        if (!found)
            return {std::nullopt, named + " has no function " + name};
    }
    find(library, f.getStatusText, "getStatusText");
    // A bare name, or the path of this very library, finds the recording
    // library again: it would call itself for ever.
    if (f.getNbAcqui == &::getNbAcqui)
        return {std::nullopt, named + " is the recording library itself: give the path of "
                                      "the module's own library"};
    return {f, {}};
}

} // namespace solvane::record
