// One line on standard error per problem: a problem that lasts is written
// once, not on every retry, and its end is written once too.
#pragma once

#include <mutex>
#include <string>

namespace solvane::mqtt {

class ProblemLine {
public:
    // `prefix` starts every line ("quelbin-mqtt", "solvane-agent").
    explicit ProblemLine(std::string prefix);

    // Writes the line unless it is the problem already shown.
    void report(const std::string& problem);
    // After a problem: writes `line` once, and forgets the problem.
    void resolved(const std::string& line);
    // Writes the line whatever came before (an event, not a lasting state).
    void event(const std::string& line);

private:
    void write(const std::string& line);

    std::string m_prefix;
    std::mutex m_mutex;
    std::string m_current;
};

} // namespace solvane::mqtt
