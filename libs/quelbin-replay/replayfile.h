// A recording read back poll by poll, as the replay reaches it: never the
// whole file in memory. The file's problem, if any, names it and the row:
// one that cannot be opened or is no recording (row 1), or the first bad
// row, before which every row is played. A last row cut short, as a power
// cut or a killed program leaves it, is left out.
#pragma once

#include "csvfields.h"
#include "recordingrows.h"

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace solvane::replay {

struct Poll {
    std::uint64_t number = 0;
    std::int64_t time = 0; // of its first row
    std::vector<recording::Row> rows;
};

class ReplayFile {
public:
    // `path` in UTF-8.
    explicit ReplayFile(std::string path);
    ~ReplayFile();
    ReplayFile(const ReplayFile&) = delete;
    ReplayFile& operator=(const ReplayFile&) = delete;

    // The next poll; none after the last, or from the first bad row on.
    std::optional<Poll> next();
    // Back to the first poll.
    void rewind();

    // "FILE, row N: what is wrong", or empty.
    const std::string& problem() const { return m_problem; }
    // The row cut short at the end, or 0.
    std::uint64_t tornRow() const { return m_tornRow; }
    // The file's name, without its folder.
    const std::string& name() const { return m_name; }

private:
    void open();
    void fail(std::uint64_t row, const std::string& what);

    std::string m_path;
    std::string m_name;
    std::FILE* m_file = nullptr;
    std::optional<recording::CsvReader> m_reader;
    std::optional<recording::Row> m_nextRow; // the first row of the next poll
    std::vector<std::string> m_fields;
    bool m_ended = false;
    std::string m_problem;
    std::uint64_t m_tornRow = 0;
};

} // namespace solvane::replay
