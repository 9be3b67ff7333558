// The two environment variables that choose the instrument, in the form
// libsigrok's own tools take: a device string "driver[:key=value]..."
// (SOLVANE_SIGROK_DEVICE) and device settings "key=value[,key=value]..."
// (SOLVANE_SIGROK_CONFIG, where ':' also separates, as in those tools).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace solvane::sigrok {

inline constexpr const char* deviceVariable = "SOLVANE_SIGROK_DEVICE";
inline constexpr const char* configVariable = "SOLVANE_SIGROK_CONFIG";

// "key=value", or a bare "key", which switches a boolean setting on.
struct Setting {
    std::string key;
    std::optional<std::string> value;

    bool operator==(const Setting&) const = default;
};

struct DeviceString {
    std::string driver;
    std::vector<Setting> options; // what the driver's scan takes: conn, serialcomm...
};

// The parsed value, or what is wrong with the text.
template <typename T> struct Parsed {
    std::optional<T> value;
    std::string error;
};

Parsed<DeviceString> parseDeviceString(std::string_view text);
Parsed<std::vector<Setting>> parseSettings(std::string_view text);

// One of the two variables as read from the environment.
struct Variable {
    const char* name;
    std::optional<std::string> text; // nullopt: unset
};

// "NAME='text'", or "NAME is not set", for the line that reports a problem.
std::string describeVariable(const Variable& variable);

} // namespace solvane::sigrok
