// Whether the connection a device was found on still exists, for drivers
// that go on as if nothing happened when it goes away (a serial meter on an
// unplugged USB adapter sees only a hung-up port).
#pragma once

#include <string>
#include <string_view>

namespace solvane::sigrok {

// The file that stands for a connection as libsigrok names it: a serial
// port's device node ("/dev/ttyUSB0"), or a USB device's folder in sysfs
// for its port path ("1-1.2"). Empty where nothing stands for it (a network
// address): such a connection is taken as present.
std::string connectionNode(std::string_view connectionId);

bool nodePresent(const std::string& node);

} // namespace solvane::sigrok
