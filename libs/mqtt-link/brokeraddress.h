// Where the broker is and which module to watch, from a URL of the form
// mqtt://HOST[:PORT][/MODULE] or mqtts://... (TLS).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace solvane::mqtt {

inline constexpr int plainPort = 1883;
inline constexpr int tlsPort = 8883;

struct BrokerAddress {
    bool tls = false;
    std::string host;
    int port = plainPort;
    std::string module; // empty when the URL names none
};

struct ParsedAddress {
    std::optional<BrokerAddress> value;
    std::string error;
};

// A user name or password in the URL ("mqtt://user:pw@host") is refused:
// they are given apart, and never shown.
ParsedAddress parseBrokerUrl(std::string_view url);

// The URL for a message: quoted, received text escaped, and whatever stands
// before an '@' hidden, for it may be a password.
std::string shownUrl(std::string_view url);

// A module name is one topic level of 1 to 64 letters, digits, '-', '_' or
// '.': nothing that MQTT reads as a separator or wildcard ('/', '+', '#'), so
// that no name can reach another module's topics.
bool isValidModuleName(std::string_view name);

} // namespace solvane::mqtt
