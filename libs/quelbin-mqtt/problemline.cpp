#include "problemline.h"

#include <cstdio>

namespace solvane::mqtt {

ProblemLine::ProblemLine(std::string prefix) : m_prefix(std::move(prefix)) {}

void ProblemLine::report(const std::string& problem) {
    std::lock_guard lock(m_mutex);
    if (problem == m_current)
        return;
    m_current = problem;
    write(problem);
}

void ProblemLine::resolved(const std::string& line) {
    std::lock_guard lock(m_mutex);
    if (m_current.empty())
        return;
    m_current.clear();
    write(line);
}

void ProblemLine::event(const std::string& line) {
    std::lock_guard lock(m_mutex);
    write(line);
}

void ProblemLine::write(const std::string& line) {
    std::fprintf(stderr, "%s: %s\n", m_prefix.c_str(), line.c_str());
    std::fflush(stderr);
}

} // namespace solvane::mqtt
