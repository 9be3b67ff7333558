#include "wire.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>

namespace solvane::mqtt {

namespace {

using nlohmann::json;

// Far above any message the agent writes; a bigger one is refused unread.
constexpr std::size_t longestPayload = 256 * 1024;
constexpr std::size_t longestId = 128;
// A command name in UTF-8: 127 bytes of the module's 8-bit text, 3 bytes
// each at most.
constexpr std::size_t longestCommandName = 3 * 127;
constexpr char hexDigits[] = "0123456789abcdef";

std::string toHex(const std::vector<std::uint8_t>& bytes) {
    std::string text;
    text.reserve(bytes.size() * 2);
    for (std::uint8_t byte : bytes) {
        text += hexDigits[byte >> 4];
        text += hexDigits[byte & 0x0f];
    }
    return text;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::optional<std::vector<std::uint8_t>> fromHex(const std::string& text) {
    if (text.size() % 2 != 0 || text.size() / 2 > maxRawBytes)
        return std::nullopt;
    std::vector<std::uint8_t> bytes;
    bytes.reserve(text.size() / 2);
    for (std::size_t i = 0; i < text.size(); i += 2) {
        const int high = hexValue(text[i]);
        const int low = hexValue(text[i + 1]);
        if (high < 0 || low < 0)
            return std::nullopt;
        bytes.push_back(static_cast<std::uint8_t>(high * 16 + low));
    }
    return bytes;
}

std::optional<json> parse(std::string_view payload) {
    if (payload.size() > longestPayload)
        return std::nullopt;
    json document = json::parse(payload, nullptr, false);
    if (document.is_discarded() || !document.is_object())
        return std::nullopt;
    return document;
}

// The member as a 32-bit integer within [low, high], or null. The parser
// keeps a value from 0 up as unsigned: read as signed, one above 2^63 would
// wrap to a negative number within the range.
std::optional<std::int32_t> integerIn(const json& object, const char* key, std::int64_t low,
                                      std::int64_t high) {
    const auto member = object.find(key);
    if (member == object.end())
        return std::nullopt;
    std::int64_t value = 0;
    if (member->is_number_unsigned()) {
        const auto unsignedValue = member->get<std::uint64_t>();
        if (high < 0 || unsignedValue > static_cast<std::uint64_t>(high))
            return std::nullopt;
        value = static_cast<std::int64_t>(unsignedValue);
    } else if (member->is_number_integer()) {
        value = member->get<std::int64_t>();
    } else {
        return std::nullopt;
    }
    if (value < low || value > high)
        return std::nullopt;
    return static_cast<std::int32_t>(value);
}

std::optional<std::string> text(const json& object, const char* key, std::size_t longest) {
    const auto member = object.find(key);
    if (member == object.end() || !member->is_string() ||
        member->get_ref<const std::string&>().size() > longest)
        return std::nullopt;
    return member->get<std::string>();
}

std::optional<bool> boolean(const json& object, const char* key) {
    const auto member = object.find(key);
    if (member == object.end() || !member->is_boolean())
        return std::nullopt;
    return member->get<bool>();
}

const json* array(const json& object, const char* key, std::size_t longest) {
    const auto member = object.find(key);
    if (member == object.end() || !member->is_array() || member->size() > longest)
        return nullptr;
    return &*member;
}

json valuesJson(const SensorReading& reading) {
    json values = json::array();
    for (double value : reading.values) {
        if (reading.boolValues)
            values.push_back(value != 0);
        else if (std::isfinite(value))
            values.push_back(value);
        else
            values.push_back(nullptr); // JSON has no NaN or infinity
    }
    return values;
}

} // namespace

std::string encodeState(const ModuleDescription& state) {
    json sensors = json::array();
    for (const SensorDescription& sensor : state.sensors)
        sensors.push_back({{"name", sensor.name}, {"type", sensor.type}});
    const json document = {{"connected", state.connected},
                           {"rate", state.rate},
                           {"commands_allowed", state.commandsAllowed},
                           {"sensors", sensors},
                           {"commands", state.commands}};
    // Names that are not valid UTF-8 are written with U+FFFD, never refused.
    return document.dump(-1, ' ', false, json::error_handler_t::replace);
}

std::string encodePoll(const PollReading& poll) {
    json sensors = json::array();
    for (const SensorReading& reading : poll.sensors) {
        sensors.push_back({{"index", reading.index},
                           {"name", reading.name},
                           {"header", reading.header},
                           {"count", reading.raw.size()},
                           {"raw", toHex(reading.raw)},
                           {"values", valuesJson(reading)}});
    }
    const json document = {
        {"poll", poll.poll}, {"connected", poll.connected}, {"sensors", sensors}};
    return document.dump(-1, ' ', false, json::error_handler_t::replace);
}

bool isValidCommandId(std::string_view id) {
    if (id.empty() || id.size() > longestId)
        return false;
    return std::all_of(id.begin(), id.end(), [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
               c == '.' || c == '_' || c == ':' || c == '-';
    });
}

std::string encodeCommand(const CommandRequest& command) {
    const json document = {{"index", command.index},
                           {"name", command.name},
                           {"poll", command.poll},
                           {"id", command.id}};
    return document.dump(-1, ' ', false, json::error_handler_t::replace);
}

std::optional<ModuleDescription> decodeState(std::string_view payload) {
    const auto document = parse(payload);
    if (!document)
        return std::nullopt;
    ModuleDescription state;
    const auto connected = boolean(*document, "connected");
    const auto allowed = boolean(*document, "commands_allowed");
    const auto rate = document->find("rate");
    const json* sensors = array(*document, "sensors", maxSensors);
    const json* commands = array(*document, "commands", maxCommands);
    if (!connected || !allowed || rate == document->end() || !rate->is_number() || !sensors ||
        !commands)
        return std::nullopt;
    if (!std::isfinite(rate->get<double>()) || !(rate->get<double>() > 0))
        return std::nullopt;
    state.connected = *connected;
    state.commandsAllowed = *allowed;
    state.rate = rate->get<double>();
    for (const json& sensor : *sensors) {
        if (!sensor.is_object() || !sensor.contains("name") || !sensor["name"].is_string())
            return std::nullopt;
        const auto type = integerIn(sensor, "type", INT32_MIN, INT32_MAX);
        if (!type)
            return std::nullopt;
        state.sensors.push_back({sensor["name"].get<std::string>(), *type});
    }
    for (const json& command : *commands) {
        if (!command.is_string())
            return std::nullopt;
        state.commands.push_back(command.get<std::string>());
    }
    return state;
}

std::optional<PollReading> decodePoll(std::string_view payload) {
    const auto document = parse(payload);
    if (!document)
        return std::nullopt;
    PollReading poll;
    const auto number = document->find("poll");
    const auto connected = boolean(*document, "connected");
    const json* sensors = array(*document, "sensors", maxSensors);
    if (number == document->end() || !number->is_number_unsigned() || !connected || !sensors)
        return std::nullopt;
    poll.poll = number->get<std::uint64_t>();
    poll.connected = *connected;
    for (const json& sensor : *sensors) {
        if (!sensor.is_object())
            return std::nullopt;
        const auto index = integerIn(sensor, "index", 0, maxSensors - 1);
        const auto header = integerIn(sensor, "header", INT32_MIN, INT32_MAX);
        const auto count = integerIn(sensor, "count", 0, maxRawBytes);
        const auto raw = sensor.find("raw");
        if (!index || !header || !count || raw == sensor.end() || !raw->is_string())
            return std::nullopt;
        auto bytes = fromHex(raw->get<std::string>());
        if (!bytes || bytes->size() != static_cast<std::size_t>(*count))
            return std::nullopt;
        SensorReading reading;
        reading.index = *index;
        reading.header = *header;
        reading.raw = std::move(*bytes);
        poll.sensors.push_back(std::move(reading));
    }
    return poll;
}

std::optional<CommandRequest> decodeCommand(std::string_view payload) {
    const auto document = parse(payload);
    if (!document)
        return std::nullopt;
    const auto index = integerIn(*document, "index", 0, INT32_MAX);
    const auto name = text(*document, "name", longestCommandName);
    const auto poll = document->find("poll");
    const auto id = text(*document, "id", longestId);
    if (!index || !name || poll == document->end() || !poll->is_number_unsigned() || !id ||
        !isValidCommandId(*id))
        return std::nullopt;
    return CommandRequest{*index, *name, poll->get<std::uint64_t>(), *id};
}

} // namespace solvane::mqtt
