#include "printabletext.h"

#include <cstdint>

namespace solvane {

namespace {

// The length of the UTF-8 sequence at `text[at]` if it is valid and no
// control character, else 0.
std::size_t printableSequence(std::string_view text, std::size_t at) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    if (lead >= 0x20 && lead < 0x7f)
        return 1;
    std::size_t length = 0;
    std::uint32_t code = 0;
    if (lead >= 0xc2 && lead <= 0xdf) {
        length = 2;
        code = lead & 0x1fu;
    } else if (lead >= 0xe0 && lead <= 0xef) {
        length = 3;
        code = lead & 0x0fu;
    } else if (lead >= 0xf0 && lead <= 0xf4) {
        length = 4;
        code = lead & 0x07u;
    } else {
        return 0;
    }
    if (at + length > text.size())
        return 0;
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xc0u) != 0x80u)
            return 0;
        code = (code << 6) | (byte(at + i) & 0x3fu);
    }
    const bool overlong = (length == 3 && code < 0x800) || (length == 4 && code < 0x10000);
    const bool invalid = code > 0x10ffff || (code >= 0xd800 && code <= 0xdfff);
    const bool c1 = code >= 0x80 && code <= 0x9f;
    const bool lineBreak = code == 0x2028 || code == 0x2029;
    return overlong || invalid || c1 || lineBreak ? 0 : length;
}

} // namespace

std::string shown(std::string_view text, std::size_t longest) {
    static constexpr char hex[] = "0123456789abcdef";
    std::string result;
    std::size_t at = 0;
    while (at < text.size() && result.size() < longest) {
        const std::size_t length = printableSequence(text, at);
        if (length > 0) {
            result.append(text.substr(at, length));
            at += length;
            continue;
        }
        const auto byte = static_cast<unsigned char>(text[at++]);
        result += "\\x";
        result += hex[byte >> 4];
        result += hex[byte & 0x0f];
    }
    if (at < text.size())
        result += "\u2026";
    return result;
}

std::string quoted(std::string_view text) {
    // Appended, not "'" + ...: GCC 12 then warns of an overlap that cannot be.
    std::string result("'");
    result += shown(text);
    result += '\'';
    return result;
}

} // namespace solvane
