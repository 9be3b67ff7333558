#include "linksettings.h"

#include "localfiles.h"
#include "printabletext.h"

#include <algorithm>
#include <random>

namespace solvane::mqtt {

namespace {

// A password file or CA file is small; anything bigger is a wrong file.
constexpr std::size_t largestFile = 1024 * 1024;

std::optional<std::string> readPassword(LinkSettings& settings, const SettingsSource& source) {
    const std::string& path = *source.passwordFile;
    const std::string what =
        std::string("the password file ") + quoted(path) + " (" + source.passwordFileName + ")";
    const FileRead file = readLocalFile(path, largestFile);
    if (!file.content)
        return what + ": " + file.error;
    std::string line = file.content->substr(0, file.content->find('\n'));
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    if (line.empty())
        return what + " is empty: its first line must be the password";
    settings.password = std::move(line);
    return std::nullopt;
}

std::optional<std::string> checkCaFile(const std::string& path, const SettingsSource& source) {
    const std::string what =
        std::string("the CA file ") + quoted(path) + " (" + source.caFileName + ")";
    const FileRead file = readLocalFile(path, largestFile);
    if (!file.content)
        return what + ": " + file.error;
    if (file.content->find("-----BEGIN CERTIFICATE-----") == std::string::npos)
        return what + " holds no PEM certificate";
    return std::nullopt;
}

} // namespace

std::optional<std::string> completeSettings(LinkSettings& settings, const SettingsSource& source) {
    const BrokerAddress& address = settings.address;
    if (source.passwordFile) {
        if (!settings.username)
            return std::string("a password file (") + source.passwordFileName +
                   ") needs a user name too";
        if (!address.tls && !source.passwordInClear && !isLoopback(address.host))
            return "a password over mqtt:// to '" + shown(address.host) +
                   "' would cross the network in clear: use mqtts:// (TLS), or allow it with " +
                   source.passwordInClearName + " on a network you trust";
        if (auto problem = readPassword(settings, source))
            return problem;
    }
    if (settings.caFile) {
        if (!address.tls)
            return std::string("a CA file (") + source.caFileName + ") needs an mqtts:// broker";
        if (auto problem = checkCaFile(*settings.caFile, source))
            return problem;
    } else if (address.tls && !systemCertificatesUsable()) {
        return std::string("mqtts:// needs a CA file here (") + source.caFileName +
               "): on Windows this program's TLS cannot read the system's certificates";
    }
    return std::nullopt;
}

bool isLoopback(const std::string& host) {
    // 127.x.y.z written as an address, not a name that starts so.
    const bool dotted = std::all_of(host.begin(), host.end(),
                                    [](char c) { return (c >= '0' && c <= '9') || c == '.'; });
    return host == "localhost" || host == "::1" || (dotted && host.starts_with("127."));
}

std::string randomHex(std::size_t digits) {
    std::random_device device;
    std::uniform_int_distribution<unsigned> digit(0, 15);
    std::string text;
    for (std::size_t i = 0; i < digits; ++i)
        text += "0123456789abcdef"[digit(device)];
    return text;
}

} // namespace solvane::mqtt
