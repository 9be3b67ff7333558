// What a reopened serial device finds on its line. A driver that tells a
// meter's channels apart only by the order of its packets reads the rest of
// an answer that a reopening cut short as the start of the next one, and
// from then on every value lands on another channel; such a line is read
// from the start of an answer once nothing is left on it.
#pragma once

#include <chrono>
#include <functional>
#include <string>

namespace solvane::sigrok {

// Reads and drops what arrives on the serial port `node` until nothing has
// come for `quiet`, `bound` has passed or `goOn` turns false. It reads
// through a descriptor that the process already holds on the port (the
// driver's), since opening the port again would change its modem lines;
// nothing where no descriptor of the process is open on such a port.
void settleSerialLine(const std::string& node, std::chrono::milliseconds quiet,
                      std::chrono::milliseconds bound, const std::function<bool()>& goOn);

} // namespace solvane::sigrok
