// The agent's command line.
#pragma once

#include "linksettings.h"

#include <QStringList>

#include <optional>
#include <set>
#include <string>

namespace agent {

// The window's fastest refresh; the default poll rate.
inline constexpr double defaultRate = 5.0;
inline constexpr double slowestRate = 0.1;
inline constexpr double fastestRate = 50.0;

struct AgentOptions {
    // The broker, its module the --module name; the user name, the password
    // read from its file, the CA file.
    solvane::mqtt::LinkSettings link;
    double rate = defaultRate;
    std::optional<std::set<int>> sensors; // none: every sensor
    bool allowCommands = false;
};

struct ParsedOptions {
    std::optional<AgentOptions> options;
    QString message; // the help text, or what is wrong
    bool help = false;
};

// `arguments` starts with the program's name. The files named are read or
// checked here: a mistake in them is one, like a mistyped option, that no
// retry mends.
ParsedOptions parseOptions(const QStringList& arguments);

} // namespace agent
