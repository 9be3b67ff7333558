// The topics of one module, all under solvane/<module>/ (see docs/mqtt.md).
#pragma once

#include <string>

namespace solvane::mqtt {

struct Topics {
    // The name must satisfy isValidModuleName().
    explicit Topics(const std::string& module);

    std::string status;  // "online" / "offline", retained; the agent's last will
    std::string state;   // connection, sensors and commands, retained
    std::string poll;    // every poll's readings
    std::string command; // commands for the agent
    std::string agent;   // the latest agent to announce itself, retained
};

} // namespace solvane::mqtt
