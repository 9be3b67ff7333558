// A recording's times: milliseconds since 1970-01-01 UTC, written as ISO
// 8601 with milliseconds and "Z" ("2026-12-09T19:30:05.123Z").
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace solvane::recording {

// The system's clock now.
std::int64_t currentTime();

std::string isoTime(std::int64_t time);
// Exactly the form isoTime writes; none for anything else.
std::optional<std::int64_t> parseIsoTime(std::string_view text);

// The time in a file's name, without the colons Windows refuses
// ("20261209T193005Z").
std::string fileNameTime(std::int64_t time);

} // namespace solvane::recording
