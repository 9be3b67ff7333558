// The module's own acquisition library, beneath the recording library: the
// maker's, the simulation, the libsigrok or the MQTT one, loaded by the path
// SOLVANE_RECORD_LIBRARY gives. It cannot be found by the name Quelbin: the
// recording library is what that name finds.
#pragma once

#include "quelbinfunctions.h"

#include <optional>
#include <string>

namespace solvane::record {

struct LoadedModule {
    std::optional<QuelbinFunctions> functions;
    std::string problem; // why there are none
};

// `variable` names the variable `path` came from, for the problem's text.
LoadedModule loadModule(const std::optional<std::string>& path, const char* variable);

} // namespace solvane::record
