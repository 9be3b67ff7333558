// A bound on the lines of one kind written in a minute: a flood of bad
// messages or commands must not fill a terminal or a journal. What is held
// back is counted and told in one line when the kind's minute ends.
#pragma once

#include <chrono>
#include <cstddef>
#include <map>
#include <string>
#include <vector>

namespace solvane {

class LineBudget {
public:
    using Clock = std::chrono::steady_clock;

    explicit LineBudget(std::size_t linesPerWindow = 3,
                        Clock::duration window = std::chrono::minutes(1));

    // Whether a line of `kind` may be written at `now`; if not, it is counted.
    bool allow(const std::string& kind, Clock::time_point now);
    // For each kind whose window has ended with lines held back, the line
    // that says how many ("… and 3,812 more like it (kind)").
    std::vector<std::string> summaries(Clock::time_point now);

private:
    struct Window {
        Clock::time_point start;
        std::size_t written = 0;
        std::size_t held = 0;
    };

    std::size_t m_linesPerWindow;
    Clock::duration m_window;
    std::map<std::string, Window> m_kinds;
};

// 3812 as "3,812".
std::string groupedCount(std::size_t count);

} // namespace solvane
