// The payloads on a module's topics, as the agent writes them and the library
// reads them: JSON, described in docs/mqtt.md. Names travel as UTF-8.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace solvane::mqtt {

// What the wire carries at most: the window's sensor limit, a raw buffer,
// and a bound on the commands so that a state message stays small.
inline constexpr std::size_t maxSensors = 32;
inline constexpr std::size_t maxRawBytes = 128;
inline constexpr std::size_t maxCommands = 256;

struct SensorDescription {
    std::string name;
    std::int32_t type = -1;
    bool operator==(const SensorDescription&) const = default;
};

// The "state" topic: retained, republished when anything in it changes.
struct ModuleDescription {
    bool connected = false;
    double rate = 0;              // the agent's polls a second
    bool commandsAllowed = false; // the agent runs commands it receives
    std::vector<SensorDescription> sensors;
    std::vector<std::string> commands;
    bool operator==(const ModuleDescription&) const = default;
};

struct SensorReading {
    std::int32_t index = 0;
    std::string name; // for readers that tag by name; the library ignores it
    std::int32_t header = 0;
    std::vector<std::uint8_t> raw; // its size is the byte count, at most 128
    // Decoded elements; true/false for a Bool sensor, else numbers.
    std::vector<double> values;
    bool boolValues = false;
};

// The "poll" topic: one message per poll, never retained.
struct PollReading {
    std::uint64_t poll = 0; // counts up from 1 while the agent runs
    bool connected = false;
    std::vector<SensorReading> sensors;
};

// The "command" topic. The name is the command's as the module's state
// lists it, so that the agent runs nothing else if the list changed; the poll
// is the latest the sender had seen, so that the agent can tell a late
// command by its own count. The id is unique per sender and command, so that
// a message delivered twice runs once.
struct CommandRequest {
    std::int32_t index = 0;
    std::string name;
    std::uint64_t poll = 0;
    std::string id;
};

// 1 to 128 letters, digits, '.', '_', ':' or '-'.
bool isValidCommandId(std::string_view id);

std::string encodeState(const ModuleDescription& state);
std::string encodePoll(const PollReading& poll);
std::string encodeCommand(const CommandRequest& command);

// Null for a payload that is not what the agent writes, or that breaks a
// limit above (a byte count beyond 128, an index beyond 31, a hex text of
// odd length, an integer beyond its type, which is never wrapped...): such a
// message is dropped whole, never half-read.
std::optional<ModuleDescription> decodeState(std::string_view payload);
std::optional<PollReading> decodePoll(std::string_view payload);
std::optional<CommandRequest> decodeCommand(std::string_view payload);

} // namespace solvane::mqtt
