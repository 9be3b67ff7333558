#include "linebudget.h"

namespace solvane {

LineBudget::LineBudget(std::size_t linesPerWindow, Clock::duration window)
    : m_linesPerWindow(linesPerWindow), m_window(window) {}

bool LineBudget::allow(const std::string& kind, Clock::time_point now) {
    auto [entry, added] = m_kinds.try_emplace(kind);
    Window& window = entry->second;
    // A window ends only once its summary has been taken (summaries()).
    if (added || (window.held == 0 && now - window.start >= m_window))
        window = {now, 0, 0};
    if (window.written < m_linesPerWindow) {
        ++window.written;
        return true;
    }
    ++window.held;
    return false;
}

std::vector<std::string> LineBudget::summaries(Clock::time_point now) {
    std::vector<std::string> lines;
    for (auto entry = m_kinds.begin(); entry != m_kinds.end();) {
        Window& window = entry->second;
        if (now - window.start < m_window) {
            ++entry;
            continue;
        }
        if (window.held > 0)
            lines.push_back("\u2026 and " + groupedCount(window.held) + " more like it (" +
                            entry->first + ")");
        entry = m_kinds.erase(entry);
    }
    return lines;
}

std::string groupedCount(std::size_t count) {
    const std::string digits = std::to_string(count);
    std::string grouped;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            grouped += ',';
        grouped += digits[i];
    }
    return grouped;
}

} // namespace solvane
