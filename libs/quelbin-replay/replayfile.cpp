#include "replayfile.h"

#include "localfiles.h"
#include "printabletext.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace solvane::replay {

namespace {

std::string fileNameOf(const std::string& path) {
    const auto slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

ReplayFile::ReplayFile(std::string path) : m_path(std::move(path)), m_name(fileNameOf(m_path)) {
    open();
}

ReplayFile::~ReplayFile() {
    if (m_file != nullptr)
        std::fclose(m_file);
}

void ReplayFile::fail(std::uint64_t row, const std::string& what) {
    m_ended = true;
    if (m_problem.empty())
        m_problem = m_name + ", row " + std::to_string(row) + ": " + what;
}

void ReplayFile::open() {
    const FileOpened opened = openLocalFile(m_path);
    if (opened.file == nullptr) {
        m_ended = true;
        m_problem = m_name + ": cannot be read: " + opened.error;
        return;
    }
    m_file = opened.file;
    // The header row tells the separator; it holds no quotes.
    std::array<char, 4096> line{};
    const bool read = std::fgets(line.data(), static_cast<int>(line.size()), m_file) != nullptr;
    const std::string_view first(line.data(), read ? std::strlen(line.data()) : 0);
    const auto format = recording::formatOf(first);
    if (!format) {
        const auto end = first.find_first_of("\r\n");
        fail(1, first.empty() ? std::string("empty, not a Solvane recording")
                              : "not a Solvane recording: it begins " +
                                    quoted(first.substr(0, std::min<std::size_t>(end, 60))));
        return;
    }
    std::rewind(m_file);
    m_reader.emplace(m_file, format->separator);
    m_reader->next(m_fields); // the header row
}

void ReplayFile::rewind() {
    if (m_file != nullptr)
        std::fclose(m_file);
    m_file = nullptr;
    m_reader.reset();
    m_nextRow.reset();
    m_ended = false;
    m_tornRow = 0;
    open();
}

std::optional<Poll> ReplayFile::next() {
    Poll poll;
    if (m_nextRow) {
        poll.number = m_nextRow->poll;
        poll.time = m_nextRow->time;
        poll.rows.push_back(std::move(*m_nextRow));
        m_nextRow.reset();
    }
    while (!m_ended) {
        using Result = recording::CsvReader::Result;
        const Result result = m_reader->next(m_fields);
        if (result == Result::End) {
            m_ended = true;
        } else if (result == Result::Torn) {
            m_ended = true;
            m_tornRow = m_reader->row();
        } else if (result == Result::Failed) {
            fail(m_reader->row(), "cannot be read: " + m_reader->error());
        } else if (m_fields.size() == 1 && m_fields.front().empty()) {
            continue; // a blank line
        } else {
            recording::ParsedRow parsed = recording::parseRow(m_fields);
            if (!parsed.row) {
                fail(m_reader->row(), parsed.error);
            } else if (poll.rows.empty()) {
                poll.number = parsed.row->poll;
                poll.time = parsed.row->time;
                poll.rows.push_back(std::move(*parsed.row));
            } else if (parsed.row->poll != poll.number) {
                m_nextRow = std::move(parsed.row);
                return poll;
            } else {
                poll.rows.push_back(std::move(*parsed.row));
            }
        }
    }
    if (poll.rows.empty())
        return std::nullopt;
    return poll;
}

} // namespace solvane::replay
