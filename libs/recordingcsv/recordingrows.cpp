#include "recordingrows.h"

#include "printabletext.h"
#include "recordtime.h"
#include "typefacts.h"

#include <algorithm>
#include <charconv>
#include <limits>

namespace solvane::recording {

namespace {

constexpr std::string_view byteOrderMark = "\xEF\xBB\xBF";
constexpr std::array<std::string_view, 10> columns{
    "heure_utc", "ligne", "releve", "indice", "nom", "type", "code", "entete", "octets", "brut"};
enum Column : std::size_t { Time, Kind, Poll, Index, Name, Type, Code, Header, Count, Raw };

constexpr std::array<std::string_view, 8> kindNames{"connexion", "senseurs", "senseur", "commandes",
                                                    "commande",  "donnees",  "envoi",   "perte"};

std::string_view kindName(RowKind kind) {
    return kindNames[static_cast<std::size_t>(kind)];
}

// The type's name for a code: empty for none, "Inconnu" for a code that
// names no type, as the window shows it.
std::string_view typeName(std::optional<std::int32_t> code) {
    if (!code)
        return {};
    const TypeFacts* facts = typeFacts(*code);
    return facts ? facts->name : "Inconnu";
}

template <typename Number> std::optional<Number> number(std::string_view text) {
    Number value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// "3F 80 00 00" into row.raw; false if it is not that.
bool parseHex(std::string_view text, Row& row) {
    row.rawLength = 0;
    if (text.empty())
        return true;
    if ((text.size() + 1) % 3 != 0 || (text.size() + 1) / 3 > rawSize)
        return false;
    for (std::size_t at = 0; at < text.size(); at += 3) {
        const int high = hexDigit(text[at]);
        const int low = hexDigit(text[at + 1]);
        if (high < 0 || low < 0 || (at + 2 < text.size() && text[at + 2] != ' '))
            return false;
        row.raw[row.rawLength++] = static_cast<std::uint8_t>(high * 16 + low);
    }
    return true;
}

ParsedRow failed(std::string error) {
    return {std::nullopt, std::move(error)};
}

std::string shownField(std::string_view field) {
    return quoted(field.substr(0, 40));
}

} // namespace

std::string headerRow(CsvFormat format) {
    std::string out(byteOrderMark);
    RowText row(out, format);
    for (const std::string_view column : columns)
        row.text(column);
    for (std::size_t i = 1; i <= valueColumns; ++i)
        row.text("valeur_" + std::to_string(i));
    row.end();
    return out;
}

std::optional<CsvFormat> formatOf(std::string_view firstLine) {
    if (firstLine.starts_with(byteOrderMark))
        firstLine.remove_prefix(byteOrderMark.size());
    for (const CsvFormat format : {semicolonFormat, commaFormat}) {
        std::string start;
        for (const std::string_view column : columns) {
            start += column;
            start += format.separator;
        }
        if (firstLine.starts_with(start))
            return format;
    }
    return std::nullopt;
}

void appendRow(std::string& out, CsvFormat format, const Row& row, std::span<const Value> values) {
    RowText text(out, format);
    text.text(isoTime(row.time))
        .text(kindName(row.kind))
        .integer(static_cast<std::int64_t>(row.poll));
    const auto code = [&] {
        if (row.code)
            text.integer(*row.code);
        else
            text.empty();
    };
    switch (row.kind) {
    case RowKind::Connection:
        text.empty().text(row.name).empty();
        code();
        break;
    case RowKind::SensorCount:
    case RowKind::CommandCount:
    case RowKind::Lost:
        text.empty().empty().empty();
        code();
        break;
    case RowKind::Sensor:
        text.integer(row.index).text(row.name).text(typeName(row.code));
        code();
        text.integer(row.header);
        break;
    case RowKind::Data:
        text.integer(row.index).text(row.name).text(typeName(row.code));
        code();
        break;
    case RowKind::Command:
        text.integer(row.index).text(row.name);
        break;
    case RowKind::Sent:
        text.integer(row.index).text(row.name).empty();
        code();
        break;
    }
    if (row.kind == RowKind::Data) {
        text.integer(row.header).integer(row.byteCount).hex(row.rawBytes());
        for (const Value& value : values)
            std::visit(
                [&](auto number) {
                    if constexpr (std::is_same_v<decltype(number), std::int64_t>)
                        text.integer(number);
                    else
                        text.real(number);
                },
                value);
    }
    text.end();
}

ParsedRow parseRow(const std::vector<std::string>& fields) {
    if (fields.size() < Poll + 1)
        return failed("a row has at least 3 fields, this one " + std::to_string(fields.size()));
    const auto field = [&](Column column) -> std::string_view {
        return column < fields.size() ? std::string_view(fields[column]) : std::string_view();
    };
    Row row;
    const auto time = parseIsoTime(field(Time));
    if (!time)
        return failed(shownField(field(Time)) + " is not a time like 2026-12-09T19:30:05.123Z");
    row.time = *time;
    const auto kind = std::find(kindNames.begin(), kindNames.end(), field(Kind));
    if (kind == kindNames.end())
        return failed(shownField(field(Kind)) + " is no kind of row of a recording");
    row.kind = static_cast<RowKind>(kind - kindNames.begin());
    const auto poll = number<std::uint64_t>(field(Poll));
    if (!poll)
        return failed(shownField(field(Poll)) + " is not a poll number");
    row.poll = *poll;

    const bool indexed = row.kind == RowKind::Sensor || row.kind == RowKind::Command ||
                         row.kind == RowKind::Data || row.kind == RowKind::Sent;
    if (indexed) {
        const auto index = number<std::int32_t>(field(Index));
        if (!index || *index < 0)
            return failed(shownField(field(Index)) + " is not an index");
        row.index = *index;
    }
    row.name = fieldText(field(Name));
    if (!field(Code).empty()) {
        row.code = number<std::int32_t>(field(Code));
        if (!row.code)
            return failed(shownField(field(Code)) + " is not a whole number (column code)");
    } else if (row.kind != RowKind::Command && row.kind != RowKind::Data) {
        // Data beyond the sensor list have no type code.
        return failed("a row '" + std::string(*kind) + "' has a code");
    }
    if (row.kind == RowKind::Sensor) {
        const auto answer = number<std::int32_t>(field(Header));
        if (!answer)
            return failed(shownField(field(Header)) + " is not a whole number (column entete)");
        row.header = *answer;
    }
    if (row.kind != RowKind::Data)
        return {row, {}};

    const auto header = number<std::int32_t>(field(Header));
    const auto count = number<std::int32_t>(field(Count));
    if (!header || !count)
        return failed(shownField(field(header ? Count : Header)) +
                      " is not a whole number (column " +
                      std::string(columns[header ? Count : Header]) + ")");
    row.header = *header;
    row.byteCount = *count;
    if (!parseHex(field(Raw), row))
        return failed(shownField(field(Raw)) +
                      " are not raw bytes in hexadecimal like 3F 80 00 00");
    const auto within = static_cast<std::size_t>(std::clamp<std::int32_t>(*count, 0, rawSize));
    if (row.rawLength != within)
        return failed("the row holds " + std::to_string(row.rawLength) +
                      " raw bytes where its byte count gives " + std::to_string(within));
    return {row, {}};
}

} // namespace solvane::recording
