// What a BrokerLink needs to connect, and the checks made before any
// connection: a password file, a CA file or an address that cannot serve is
// a mistake to say at once, never a reason to retry.
#pragma once

#include "brokeraddress.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace solvane::mqtt {

struct Subscription {
    std::string topic;
    int options = 0; // MQTT 5 subscription options (MQTT_SUB_OPT_...)
};

struct LinkSettings {
    BrokerAddress address;
    std::string clientId;
    std::optional<std::string> username;
    std::optional<std::string> password;
    std::optional<std::string> caFile;       // none: the system's certificates
    std::vector<Subscription> subscriptions; // at QoS 1, in order, on each connection
    // Published by the broker when the link ends without a clean goodbye,
    // and when stop() asks for it; retained, QoS 1.
    std::optional<std::pair<std::string, std::string>> will;
};

// What the user gave, by name of option or variable, for the messages.
struct SettingsSource {
    std::optional<std::string> passwordFile;
    bool passwordInClear = false;    // a password over mqtt:// to another host allowed
    const char* passwordFileName;    // "--password-file", "SOLVANE_MQTT_PASSWORD_FILE"
    const char* caFileName;          // "--cafile", "SOLVANE_MQTT_CAFILE"
    const char* passwordInClearName; // "--allow-password-in-clear", ...
};

// Reads the password file into `settings` and checks the CA file and the
// address; the reason in one line when they cannot serve, else none. No
// message holds the password.
std::optional<std::string> completeSettings(LinkSettings& settings, const SettingsSource& source);

// localhost, 127.0.0.0/8 or ::1: traffic that never leaves the machine.
bool isLoopback(const std::string& host);

// `digits` random hexadecimal digits: client ids nobody can guess.
std::string randomHex(std::size_t digits);

} // namespace solvane::mqtt
