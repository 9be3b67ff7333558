// The eight functions of an acquisition library that a test or the benchmark
// loads by hand, each typed by the public header's declaration.
#pragma once

#include "quelbin.h"

#include <type_traits>

struct QuelbinFunctions {
    decltype(&::getNbAcqui) getNbAcqui = nullptr;
    decltype(&::getNbDevices) getNbDevices = nullptr;
    decltype(&::getDevice) getDevice = nullptr;
    decltype(&::getNbCommands) getNbCommands = nullptr;
    decltype(&::getCommandName) getCommandName = nullptr;
    decltype(&::addCommand) addCommand = nullptr;
    decltype(&::getRawDataInfo) getRawDataInfo = nullptr;
    decltype(&::getRawData) getRawData = nullptr;

    // `lookup(name)` gives the address of an exported function, or null.
    // Returns the name of the first function missing, or null.
    template <typename Lookup> const char* resolve(Lookup lookup) {
        const char* missing = nullptr;
        const auto set = [&](auto& function, const char* name) {
            function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(lookup(name));
            if (function == nullptr && missing == nullptr)
                missing = name;
        };
        set(getNbAcqui, "getNbAcqui");
        set(getNbDevices, "getNbDevices");
        set(getDevice, "getDevice");
        set(getNbCommands, "getNbCommands");
        set(getCommandName, "getCommandName");
        set(addCommand, "addCommand");
        set(getRawDataInfo, "getRawDataInfo");
        set(getRawData, "getRawData");
        return missing;
    }
};
