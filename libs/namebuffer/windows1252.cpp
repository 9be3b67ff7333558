#include "windows1252.h"

#include <array>
#include <cstdint>

namespace solvane {

namespace {

// The code points of bytes 0x80 to 0x9F; 0 where the code page has none.
constexpr std::array<char32_t, 32> high{
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

char toByte(char32_t code) {
    if (code == 0)
        return '?';
    if (code < 0x80 || (code >= 0xA0 && code <= 0xFF))
        return static_cast<char>(static_cast<unsigned char>(code));
    for (std::size_t i = 0; i < high.size(); ++i) {
        if (high[i] != 0 && high[i] == code)
            return static_cast<char>(0x80 + i);
    }
    return '?';
}

void appendUtf8(std::string& text, char32_t code) {
    if (code < 0x80) {
        text += static_cast<char>(code);
    } else if (code < 0x800) {
        text += static_cast<char>(0xC0 | (code >> 6));
        text += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        text += static_cast<char>(0xE0 | (code >> 12));
        text += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        text += static_cast<char>(0x80 | (code & 0x3F));
    }
}

} // namespace

std::string windows1252ToUtf8(std::string_view windows1252) {
    std::string text;
    text.reserve(windows1252.size());
    for (const char c : windows1252) {
        const auto byte = static_cast<unsigned char>(c);
        const char32_t mapped = byte >= 0x80 && byte < 0xA0 ? high[byte - 0x80U] : 0;
        appendUtf8(text, mapped != 0 ? mapped : byte);
    }
    return text;
}

std::string utf8ToWindows1252(std::string_view utf8) {
    std::string text;
    text.reserve(utf8.size());
    std::size_t i = 0;
    while (i < utf8.size()) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        const std::size_t length = lead < 0x80           ? 1
                                   : (lead >> 5) == 0x6  ? 2
                                   : (lead >> 4) == 0xE  ? 3
                                   : (lead >> 3) == 0x1E ? 4
                                                         : 0;
        if (length == 0 || i + length > utf8.size()) {
            text += '?';
            ++i;
            continue;
        }
        char32_t code = length == 1 ? lead : lead & (0x7F >> length);
        bool wellFormed = true;
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(utf8[i + k]);
            wellFormed = wellFormed && (next >> 6) == 0x2;
            code = (code << 6) | (next & 0x3F);
        }
        text += wellFormed ? toByte(code) : '?';
        i += wellFormed ? length : 1;
    }
    return text;
}

} // namespace solvane
