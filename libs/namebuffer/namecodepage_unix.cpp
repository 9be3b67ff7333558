#include "namecodepage.h"
#include "windows1252.h"

#include <algorithm>

namespace solvane {

std::string westernToNameCodePage(std::string_view western) {
    std::string text(western);
    std::replace(text.begin(), text.end(), '\0', '?');
    return text;
}

std::string utf8ToNameCodePage(std::string_view utf8) {
    return utf8ToWindows1252(utf8);
}

std::string nameCodePageToUtf8(std::string_view name) {
    return windows1252ToUtf8(name);
}

} // namespace solvane
