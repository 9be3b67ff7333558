// The functions of an acquisition library loaded by hand (by the recording
// library, the tests and the benchmark), each typed by the public header's
// declaration: the eight, and the optional getStatusText.
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
    decltype(&::getStatusText) getStatusText = nullptr; // none where the library has none

    // `lookup(name)` gives the address of an exported function, or null.
    // Returns the name of the first of the eight missing, or null.
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
        getStatusText = reinterpret_cast<decltype(getStatusText)>(lookup("getStatusText"));
        return missing;
    }
};
