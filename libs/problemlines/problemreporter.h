// Reports problems on standard error, one line each: a problem that lasts is
// written once, not on every retry, and its end is written once too. Events
// (a bad message, a refused command) are bounded per kind by a LineBudget,
// so that a flood writes a few lines a minute.
#pragma once

#include "linebudget.h"

#include <mutex>
#include <string>

namespace solvane {

class ProblemReporter {
public:
    // `prefix` starts every line ("quelbin-mqtt", "solvane-agent").
    explicit ProblemReporter(std::string prefix);

    // Writes the line unless it is the problem already shown.
    void report(const std::string& problem);
    // After a problem: writes `line` once, and forgets the problem.
    void resolved(const std::string& line);
    // Writes the line if the budget of its kind allows (see LineBudget).
    void event(const std::string& kind, const std::string& line);
    // Writes what the budget held back in windows now over; call it often.
    void tick();
    // The problem shown now, without the prefix; empty once resolved.
    std::string current() const;

private:
    void writeSummaries(LineBudget::Clock::time_point now);
    void write(const std::string& line);

    std::string m_prefix;
    mutable std::mutex m_mutex;
    std::string m_current;
    LineBudget m_budget;
};

} // namespace solvane
