// CSV as RFC 4180 writes it, with the field separator and decimal mark of
// the recording's format: fields written into a row, and records read back
// from a file, quoted fields spanning lines included. Text that a
// spreadsheet would take for a formula is written behind an apostrophe,
// which reading takes away again.
#pragma once

#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace solvane::recording {

// ';' between fields and ',' in decimals (a spreadsheet set for France), or
// ',' and '.' (RFC 4180, data tools).
struct CsvFormat {
    char separator;
    char decimalMark;
};
inline constexpr CsvFormat semicolonFormat{';', ','};
inline constexpr CsvFormat commaFormat{',', '.'};

// Appends one row to a text, field after field; empty fields at the row's
// end are left out.
class RowText {
public:
    RowText(std::string& out, CsvFormat format);

    RowText& empty();
    // Quoted when it holds the separator, a quote or a line break.
    RowText& text(std::string_view utf8);
    RowText& integer(std::int64_t value);
    // The shortest decimal form that reads back as the same value; "NaN",
    // "inf", "-inf" for the values that are no numbers.
    RowText& real(float value);
    RowText& real(double value);
    // "3F 80 00 00"; an empty field for no bytes.
    RowText& hex(std::span<const std::uint8_t> bytes);
    // Ends the row with CR LF.
    void end();

private:
    // Starts a field with the separators it needs.
    std::string& field();
    template <typename Number> RowText& shortest(Number value);

    std::string& m_out;
    CsvFormat m_format;
    bool m_first = true;
    std::size_t m_emptyFields = 0;
};

// The text a field written by RowText::text held.
std::string fieldText(std::string_view field);

// Reads records one by one: the fields of each, unquoted.
class CsvReader {
public:
    // `file` stays the caller's.
    CsvReader(std::FILE* file, char separator);

    enum class Result {
        Record, // `fields` holds the next record
        End,    // no more records
        Torn,   // the file ends within a record: it was cut short
        Failed, // the file cannot be read (error())
    };
    Result next(std::vector<std::string>& fields);
    // The record last read, counted from 1 like a spreadsheet's rows.
    std::uint64_t row() const { return m_row; }
    std::string error() const { return m_error; }

private:
    int get();

    std::FILE* m_file;
    char m_separator;
    std::uint64_t m_row = 0;
    std::string m_error;
    std::vector<char> m_buffer;
    std::size_t m_position = 0;
    std::size_t m_filled = 0;
};

} // namespace solvane::recording
