#include "namebuffer.h"

#include "namecodepage.h"

#include <algorithm>
#include <string>

namespace solvane {

namespace {

// `text`, in the program's code page already; a text cut to fit ends in
// `cutMark`.
void writeText(std::span<char> buffer, std::string text, std::string_view cutMark = {}) {
    if (buffer.empty())
        return;
    if (text.size() >= buffer.size() && buffer.size() > cutMark.size()) {
        text.resize(buffer.size() - 1 - cutMark.size());
        text += cutMark;
    }
    const std::size_t length = std::min(text.size(), buffer.size() - 1);
    std::copy_n(text.begin(), length, buffer.begin());
    buffer[length] = '\0';
}

} // namespace

void writeWesternName(std::span<char> buffer, std::string_view windows1252) {
    writeText(buffer, westernToNameCodePage(windows1252));
}

void writeUtf8Name(std::span<char> buffer, std::string_view utf8) {
    writeText(buffer, utf8ToNameCodePage(utf8));
}

void writeUtf8Line(std::span<char> buffer, std::string_view utf8) {
    writeText(buffer, utf8ToNameCodePage(utf8), "...");
}

} // namespace solvane
