#include "problemreporter.h"

#include <cstdio>

namespace solvane {

ProblemReporter::ProblemReporter(std::string prefix) : m_prefix(std::move(prefix)) {}

void ProblemReporter::report(const std::string& problem) {
    std::lock_guard lock(m_mutex);
    if (problem == m_current)
        return;
    m_current = problem;
    write(problem);
}

void ProblemReporter::resolved(const std::string& line) {
    std::lock_guard lock(m_mutex);
    if (m_current.empty())
        return;
    m_current.clear();
    write(line);
}

void ProblemReporter::event(const std::string& kind, const std::string& line) {
    std::lock_guard lock(m_mutex);
    const auto now = LineBudget::Clock::now();
    writeSummaries(now);
    if (m_budget.allow(kind, now))
        write(line);
}

void ProblemReporter::tick() {
    std::lock_guard lock(m_mutex);
    writeSummaries(LineBudget::Clock::now());
}

std::string ProblemReporter::current() const {
    std::lock_guard lock(m_mutex);
    return m_current;
}

void ProblemReporter::writeSummaries(LineBudget::Clock::time_point now) {
    for (const std::string& line : m_budget.summaries(now))
        write(line);
}

void ProblemReporter::write(const std::string& line) {
    std::fprintf(stderr, "%s: %s\n", m_prefix.c_str(), line.c_str());
    std::fflush(stderr);
}

} // namespace solvane
