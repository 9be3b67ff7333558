#include "settings.h"

namespace solvane::sigrok {

namespace {

// Splits at any of `separators`; every piece must be a setting.
Parsed<std::vector<Setting>> splitSettings(std::string_view text, std::string_view separators) {
    Parsed<std::vector<Setting>> parsed;
    std::vector<Setting> settings;
    char separator = '\0'; // the one before the piece
    for (;;) {
        const std::size_t end = text.find_first_of(separators);
        const std::string_view piece = text.substr(0, end);
        if (piece.empty()) {
            parsed.error = "a setting is empty (two separators in a row, or one at an end)";
            return parsed;
        }
        // "samplerate=1,5k", a decimal comma as French writes it: no
        // setting's name begins with a digit.
        if (separator == ',' && piece.front() >= '0' && piece.front() <= '9' &&
            settings.back().value) {
            const std::string before = settings.back().key + "=" + *settings.back().value;
            const std::string digits(piece.substr(0, piece.find('=')));
            parsed.error = "write '" + before + "." + digits +
                           "', with a decimal point (a comma separates two settings)";
            return parsed;
        }
        const std::size_t equals = piece.find('=');
        if (equals == 0) {
            parsed.error = "the setting '" + std::string(piece) + "' has no name before '='";
            return parsed;
        }
        Setting setting{std::string(piece.substr(0, equals)), std::nullopt};
        if (equals != std::string_view::npos)
            setting.value = std::string(piece.substr(equals + 1));
        settings.push_back(std::move(setting));
        if (end == std::string_view::npos)
            break;
        separator = text[end];
        text.remove_prefix(end + 1);
    }
    parsed.value = std::move(settings);
    return parsed;
}

} // namespace

Parsed<DeviceString> parseDeviceString(std::string_view text) {
    Parsed<DeviceString> parsed;
    const std::size_t colon = text.find(':');
    const std::string_view driver = text.substr(0, colon);
    if (driver.empty()) {
        parsed.error = text.empty() ? "it is empty" : "it names no driver before ':'";
        return parsed;
    }
    if (driver.find('=') != std::string_view::npos) {
        parsed.error = "it begins with the setting '" + std::string(driver) +
                       "' instead of a driver name, as in 'demo' or 'rigol-ds:conn=...'";
        return parsed;
    }
    DeviceString device{std::string(driver), {}};
    if (colon != std::string_view::npos) {
        auto options = splitSettings(text.substr(colon + 1), ":");
        if (!options.value) {
            parsed.error = std::move(options.error);
            return parsed;
        }
        device.options = std::move(*options.value);
    }
    parsed.value = std::move(device);
    return parsed;
}

Parsed<std::vector<Setting>> parseSettings(std::string_view text) {
    if (text.empty())
        return {std::vector<Setting>{}, {}};
    return splitSettings(text, ",:");
}

std::string describeVariable(const Variable& variable) {
    return std::string(variable.name) +
           (variable.text ? "='" + *variable.text + "'" : std::string(" is not set"));
}

} // namespace solvane::sigrok
