#include "connection.h"

#include <sys/stat.h>

#include <algorithm>

namespace solvane::sigrok {

namespace {

bool usbPortPath(std::string_view id) {
    // "<bus>-<port>[.<port>]...": digits, one dash after the bus, dots after.
    const std::size_t dash = id.find('-');
    if (dash == 0 || dash == std::string_view::npos || dash + 1 == id.size())
        return false;
    const auto digit = [](char c) { return c >= '0' && c <= '9'; };
    const std::string_view bus = id.substr(0, dash);
    const std::string_view ports = id.substr(dash + 1);
    return std::all_of(bus.begin(), bus.end(), digit) && digit(ports.front()) &&
           digit(ports.back()) && ports.find("..") == std::string_view::npos &&
           std::all_of(ports.begin(), ports.end(), [&](char c) { return digit(c) || c == '.'; });
}

} // namespace

std::string connectionNode(std::string_view connectionId) {
    if (connectionId.starts_with('/'))
        return std::string(connectionId);
    if (usbPortPath(connectionId))
        return "/sys/bus/usb/devices/" + std::string(connectionId);
    return {};
}

bool nodePresent(const std::string& node) {
    struct stat status {};
    return node.empty() || ::stat(node.c_str(), &status) == 0;
}

} // namespace solvane::sigrok
