// Whether a command message received by the agent runs, and why not: the
// whole decision in one place, apart from the module and the broker. A
// command runs only as the operator meant it: never from a retained message,
// only if the command at its index still bears the name it was chosen by,
// never late (by the agent's own count of polls, no clocks to agree on), and
// once per id.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace agent {

// What the agent knows when the message is weighed.
struct AgentView {
    const std::vector<std::string>& commands; // the module's, UTF-8, as published
    std::uint64_t poll;                       // the agent's latest poll number
    std::uint64_t allowedLag;                 // polls a command may be behind it
};

struct Verdict {
    bool run = false;
    std::int32_t index = -1;
    // Run: the line for standard output. Refused: the line for standard
    // error (empty when nothing more is to be said), and its kind, for the
    // budget of lines.
    std::string line;
    std::string kind;
};

class CommandGate {
public:
    // Polls a command may lag at `rate` polls a second: about two seconds'
    // worth, at least one.
    static std::uint64_t allowedLag(double rate);

    Verdict decide(std::string_view payload, bool retained, const AgentView& agent);

private:
    // True if the id came before; remembers it otherwise.
    bool seen(const std::string& id);

    // The ids of the latest commands: a message delivered again (QoS 1 after
    // a lost acknowledgement) runs once.
    std::deque<std::string> m_recentIds;
    std::unordered_set<std::string> m_recentIdSet;
    std::unordered_set<std::string> m_repeatSaid;
};

} // namespace agent
