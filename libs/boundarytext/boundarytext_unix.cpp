#include "boundarytext.h"
#include "windows1252.h"

#include <algorithm>

namespace solvane {

std::string westernToBoundaryText(std::string_view western) {
    std::string text(western);
    std::replace(text.begin(), text.end(), '\0', '?');
    return text;
}

std::string utf8ToBoundaryText(std::string_view utf8) {
    return utf8ToWindows1252(utf8);
}

} // namespace solvane
