#include "sensorlist.h"

#include <charconv>

namespace solvane {

namespace {

// The first 32 sensors: as many as the window lists.
constexpr int sensorLimit = 32;

std::string_view trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

std::optional<int> index(std::string_view text) {
    text = trimmed(text);
    int value = -1;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < 0 ||
        value >= sensorLimit)
        return std::nullopt;
    return value;
}

} // namespace

std::optional<std::set<int>> parseSensorList(std::string_view text) {
    std::set<int> indices;
    while (true) {
        const auto comma = text.find(',');
        const std::string_view item = text.substr(0, comma);
        const auto dash = item.find('-');
        const auto first = index(item.substr(0, dash));
        const auto last = dash == std::string_view::npos ? first : index(item.substr(dash + 1));
        if (!first || !last || *first > *last)
            return std::nullopt;
        for (int i = *first; i <= *last; ++i)
            indices.insert(i);
        if (comma == std::string_view::npos)
            return indices;
        text.remove_prefix(comma + 1);
    }
}

} // namespace solvane
