#include "namebuffer.h"

#include "namecodepage.h"

#include <algorithm>
#include <string>

namespace solvane {

namespace {

void writeName(std::span<char> buffer, const std::string& text) {
    if (buffer.empty())
        return;
    const std::size_t length = std::min(text.size(), buffer.size() - 1);
    std::copy_n(text.begin(), length, buffer.begin());
    buffer[length] = '\0';
}

} // namespace

void writeWesternName(std::span<char> buffer, std::string_view windows1252) {
    writeName(buffer, westernToNameCodePage(windows1252));
}

void writeUtf8Name(std::span<char> buffer, std::string_view utf8) {
    writeName(buffer, utf8ToNameCodePage(utf8));
}

} // namespace solvane
