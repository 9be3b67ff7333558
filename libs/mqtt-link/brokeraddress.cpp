#include "brokeraddress.h"

#include "printabletext.h"

#include <algorithm>
#include <charconv>

namespace solvane::mqtt {

namespace {

constexpr std::size_t longestModuleName = 64;

ParsedAddress failure(std::string error) {
    return {std::nullopt, std::move(error)};
}

} // namespace

bool isValidModuleName(std::string_view name) {
    if (name.empty() || name.size() > longestModuleName)
        return false;
    return std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
               c == '-' || c == '_' || c == '.';
    });
}

ParsedAddress parseBrokerUrl(std::string_view url) {
    BrokerAddress address;
    if (url.starts_with("mqtt://")) {
        url.remove_prefix(7);
    } else if (url.starts_with("mqtts://")) {
        url.remove_prefix(8);
        address.tls = true;
        address.port = tlsPort;
    } else {
        return failure("must start with mqtt:// or mqtts://");
    }

    const std::size_t slash = url.find('/');
    std::string_view authority = url.substr(0, slash);
    if (authority.find('@') != std::string_view::npos)
        return failure("no user name or password in the URL: give them apart (the password in "
                       "a file)");
    if (slash != std::string_view::npos) {
        address.module = std::string(url.substr(slash + 1));
        if (!isValidModuleName(address.module))
            return failure("the module name after the host must be 1 to 64 letters, digits, "
                           "'-', '_' or '.'");
    }

    // "[v6 address]:port" or "host:port".
    std::string_view portText;
    if (authority.starts_with('[')) {
        const std::size_t close = authority.find(']');
        if (close == std::string_view::npos)
            return failure("an IPv6 address needs its closing ']'");
        address.host = std::string(authority.substr(1, close - 1));
        std::string_view rest = authority.substr(close + 1);
        if (!rest.empty() && !rest.starts_with(':'))
            return failure("unexpected text after the IPv6 address");
        portText = rest.empty() ? rest : rest.substr(1);
    } else {
        const std::size_t colon = authority.find(':');
        address.host = std::string(authority.substr(0, colon));
        if (colon != std::string_view::npos)
            portText = authority.substr(colon + 1);
    }
    if (address.host.empty())
        return failure("no host name");
    if (!portText.empty()) {
        int port = 0;
        const auto [end, error] =
            std::from_chars(portText.data(), portText.data() + portText.size(), port);
        if (error != std::errc() || end != portText.data() + portText.size() || port < 1 ||
            port > 65535)
            return failure("the port must be a number from 1 to 65535");
        address.port = port;
    }
    return {address, {}};
}

std::string shownUrl(std::string_view url) {
    const std::size_t scheme = url.find("://");
    const std::size_t start = scheme == std::string_view::npos ? 0 : scheme + 3;
    const std::size_t at = url.find('@', start);
    if (at == std::string_view::npos || at > url.find('/', start))
        return quoted(url);
    std::string hidden(url.substr(0, start));
    hidden += "\u2026";
    hidden += url.substr(at);
    return quoted(hidden);
}

} // namespace solvane::mqtt
