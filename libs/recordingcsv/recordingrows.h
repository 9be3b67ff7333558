// The rows of a recording, written by the recording library and read back
// by the replay library: one header row, then rows of eight kinds that the
// "ligne" column names (docs/recording.md):
//
//   heure_utc;ligne;releve;indice;nom;type;code;entete;octets;brut;valeur_1;...;valeur_128
//
// Every row has its time and its poll ("releve": the reader's getNbAcqui
// starts one); the other columns by kind:
//   connexion  code: getNbAcqui's answer (0: disconnected); nom: why, in
//              the module's words
//   senseurs   code: getNbDevices's answer; one "senseur" row follows for
//              each of the first 32 sensors
//   senseur    indice, nom, type and its code as getDevice wrote them (-1:
//              none written); entete: its answer, 1, or 0 for a sensor it
//              could not describe
//   commandes  code: getNbCommands's answer; a "commande" row for each
//   commande   indice, nom
//   donnees    indice, nom, type, code as the list gives them; entete,
//              octets as getRawDataInfo gives them; brut, the bytes of the
//              count within the 128-byte buffer; valeur_n, decoded
//   envoi      a command the reader sent, in the poll after it: indice,
//              nom, code (the answer)
//   perte      code: rows the disk could not take in time, lost
#pragma once

#include "csvfields.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace solvane::recording {

enum class RowKind { Connection, SensorCount, Sensor, CommandCount, Command, Data, Sent, Lost };

// As many decoded values as a 128-byte buffer holds, one byte each.
inline constexpr std::size_t valueColumns = 128;
inline constexpr std::size_t rawSize = 128;

struct Row {
    RowKind kind = RowKind::Data;
    std::int64_t time = 0; // milliseconds since 1970-01-01 UTC
    std::uint64_t poll = 0;
    std::int32_t index = 0;
    std::string name; // UTF-8
    std::optional<std::int32_t> code;
    std::int32_t header = 0;
    std::int32_t byteCount = 0;
    std::size_t rawLength = 0;
    std::array<std::uint8_t, rawSize> raw{};

    std::span<const std::uint8_t> rawBytes() const { return {raw.data(), rawLength}; }
};

// A decoded value: whole numbers, and floating-point ones of either size.
using Value = std::variant<std::int64_t, float, double>;

// The header row, after UTF-8's byte order mark.
std::string headerRow(CsvFormat format);
// The format whose separator the header row, the file's first line, uses;
// none for a line that is no recording's header.
std::optional<CsvFormat> formatOf(std::string_view firstLine);

void appendRow(std::string& out, CsvFormat format, const Row& row,
               std::span<const Value> values = {});

// A record read back: the row, or what is wrong with it.
struct ParsedRow {
    std::optional<Row> row;
    std::string error;
};
ParsedRow parseRow(const std::vector<std::string>& fields);

} // namespace solvane::recording
