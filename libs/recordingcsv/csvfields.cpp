#include "csvfields.h"

#include <array>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>

namespace solvane::recording {

namespace {

// What a spreadsheet takes for the start of a formula, and the apostrophe
// that guards it.
constexpr std::string_view formulaStarts = "=+-@\t\r'";
constexpr char guard = '\'';

} // namespace

RowText::RowText(std::string& out, CsvFormat format) : m_out(out), m_format(format) {}

std::string& RowText::field() {
    m_out.append(m_emptyFields + (m_first ? 0 : 1), m_format.separator);
    m_first = false;
    m_emptyFields = 0;
    return m_out;
}

RowText& RowText::empty() {
    // The first field empty still needs its separator before the second.
    if (m_first) {
        m_first = false;
        return *this;
    }
    ++m_emptyFields;
    return *this;
}

RowText& RowText::text(std::string_view utf8) {
    if (utf8.empty())
        return empty();
    std::string value;
    if (formulaStarts.find(utf8.front()) != std::string_view::npos)
        value += guard;
    value += utf8;
    std::string& out = field();
    const char special[] = {m_format.separator, '"', '\r', '\n', '\0'};
    if (value.find_first_of(special) == std::string::npos) {
        out += value;
        return *this;
    }
    out += '"';
    for (const char c : value) {
        if (c == '"')
            out += '"';
        out += c;
    }
    out += '"';
    return *this;
}

RowText& RowText::integer(std::int64_t value) {
    std::array<char, 24> digits{};
    const auto written = std::to_chars(digits.data(), digits.data() + digits.size(), value);
    field().append(digits.data(), written.ptr);
    return *this;
}

template <typename Number> RowText& RowText::shortest(Number value) {
    std::string& out = field();
    if (std::isnan(value)) {
        out += "NaN";
        return *this;
    }
    if (std::isinf(value)) {
        out += value < 0 ? "-inf" : "inf";
        return *this;
    }
    std::array<char, 40> digits{};
    const auto written = std::to_chars(digits.data(), digits.data() + digits.size(), value);
    for (const char* c = digits.data(); c != written.ptr; ++c)
        out += *c == '.' ? m_format.decimalMark : *c;
    return *this;
}

RowText& RowText::real(float value) {
    return shortest(value);
}

RowText& RowText::real(double value) {
    return shortest(value);
}

RowText& RowText::hex(std::span<const std::uint8_t> bytes) {
    if (bytes.empty())
        return empty();
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string& out = field();
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i > 0)
            out += ' ';
        out += digits[bytes[i] >> 4];
        out += digits[bytes[i] & 0x0F];
    }
    return *this;
}

void RowText::end() {
    m_out += "\r\n";
}

std::string fieldText(std::string_view field) {
    if (!field.empty() && field.front() == guard)
        field.remove_prefix(1);
    return std::string(field);
}

CsvReader::CsvReader(std::FILE* file, char separator)
    : m_file(file), m_separator(separator), m_buffer(64 * 1024) {}

int CsvReader::get() {
    if (m_position == m_filled) {
        m_filled = std::fread(m_buffer.data(), 1, m_buffer.size(), m_file);
        m_position = 0;
        if (m_filled == 0) {
            if (std::ferror(m_file) != 0 && m_error.empty())
                m_error = std::strerror(errno);
            return EOF;
        }
    }
    return static_cast<unsigned char>(m_buffer[m_position++]);
}

CsvReader::Result CsvReader::next(std::vector<std::string>& fields) {
    fields.clear();
    std::string field;
    bool started = false;
    bool inQuotes = false;
    bool quoted = false; // the current field began with a quote
    int c = get();
    while (true) {
        if (c == EOF) {
            if (!m_error.empty())
                return Result::Failed;
            return started ? Result::Torn : Result::End;
        }
        if (!started) {
            started = true;
            ++m_row;
        }
        if (inQuotes) {
            if (c == '"') {
                c = get();
                if (c != '"') {
                    inQuotes = false;
                    continue; // the character after the closing quote
                }
            }
            field += static_cast<char>(c);
        } else if (c == '"' && field.empty() && !quoted) {
            inQuotes = true;
            quoted = true;
        } else if (c == m_separator) {
            fields.push_back(std::move(field));
            field.clear();
            quoted = false;
        } else if (c == '\n') {
            fields.push_back(std::move(field));
            return Result::Record;
        } else if (c != '\r') {
            // A carriage return only ends a line with the line feed after it.
            field += static_cast<char>(c);
        }
        c = get();
    }
}

} // namespace solvane::recording
