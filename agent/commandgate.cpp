#include "commandgate.h"

#include "printabletext.h"
#include "wire.h"

#include <algorithm>
#include <cmath>

namespace agent {

namespace {

using solvane::shown;

constexpr std::size_t rememberedIds = 4096;

Verdict refused(std::string kind, std::string line) {
    return {false, -1, std::move(line), std::move(kind)};
}

} // namespace

std::uint64_t CommandGate::allowedLag(double rate) {
    return static_cast<std::uint64_t>(std::max(1.0, std::round(2.0 * rate)));
}

Verdict CommandGate::decide(std::string_view payload, bool retained, const AgentView& agent) {
    if (retained)
        return refused("retained commands",
                       "retained command message ignored: a command runs only when it is sent "
                       "(publish it without the retain flag)");
    const auto command = solvane::mqtt::decodeCommand(payload);
    if (!command)
        return refused("unreadable commands",
                       "unreadable command message ignored: it needs an index, the command's "
                       "name, the latest poll seen and an id of 1 to 128 letters, digits, '.', "
                       "'_', ':' or '-'");
    const std::string what = "command " + std::to_string(command->index) + " '" +
                             shown(command->name) + "' (id " + command->id + ")";
    if (seen(command->id)) {
        if (!m_repeatSaid.insert(command->id).second)
            return refused("repeated commands", {});
        return refused("repeated commands", what + " received again: run once at most");
    }
    if (command->poll > agent.poll)
        return refused(
            "late commands",
            what + " refused: it was sent after poll " + std::to_string(command->poll) +
                ", which this run of the agent has not reached (sent to an earlier run)");
    if (agent.poll - command->poll > agent.allowedLag)
        return refused("late commands",
                       what + " refused: sent after poll " + std::to_string(command->poll) + ", " +
                           std::to_string(agent.poll - command->poll) +
                           " polls ago; a command more than " + std::to_string(agent.allowedLag) +
                           " polls old (about 2 s) never runs");
    const auto index = static_cast<std::size_t>(command->index);
    if (index >= agent.commands.size())
        return refused("commands not offered", what + " refused: the module offers " +
                                                   std::to_string(agent.commands.size()) +
                                                   " commands");
    if (agent.commands[index] != command->name)
        return refused("renamed commands", what + " refused: command " +
                                               std::to_string(command->index) + " is now '" +
                                               shown(agent.commands[index]) + "'");
    return {true, command->index, what + " run", {}};
}

bool CommandGate::seen(const std::string& id) {
    if (m_recentIdSet.contains(id))
        return true;
    m_recentIds.push_back(id);
    m_recentIdSet.insert(id);
    if (m_recentIds.size() > rememberedIds) {
        m_recentIdSet.erase(m_recentIds.front());
        m_repeatSaid.erase(m_recentIds.front());
        m_recentIds.pop_front();
    }
    return false;
}

} // namespace agent
