// The module's own acquisition library, beneath the recording library: the
// maker's, the simulation, the libsigrok or the MQTT one, loaded by the path
// SOLVANE_RECORD_LIBRARY gives. It cannot be found by the name Quelbin: the
// recording library is what that name finds.
#pragma once

#include "quelbin.h"

#include <optional>
#include <string>

namespace solvane::record {

struct ModuleFunctions {
    decltype(&::getNbAcqui) getNbAcqui = nullptr;
    decltype(&::getNbDevices) getNbDevices = nullptr;
    decltype(&::getDevice) getDevice = nullptr;
    decltype(&::getNbCommands) getNbCommands = nullptr;
    decltype(&::getCommandName) getCommandName = nullptr;
    decltype(&::addCommand) addCommand = nullptr;
    decltype(&::getRawDataInfo) getRawDataInfo = nullptr;
    decltype(&::getRawData) getRawData = nullptr;
    decltype(&::getStatusText) getStatusText = nullptr; // optional
};

struct LoadedModule {
    std::optional<ModuleFunctions> functions;
    std::string problem; // why there are none
};

// `variable` names the variable `path` came from, for the problem's text.
LoadedModule loadModule(const std::optional<std::string>& path, const char* variable);

} // namespace solvane::record
