#include "boundarytext.h"

#include <cstring>

namespace solvane {

void writeBoundaryLine(std::string_view utf8, char* buffer, std::size_t size) {
    std::string text = utf8ToBoundaryText(utf8);
    if (text.size() >= size) {
        constexpr std::string_view cut = "...";
        text.resize(size - 1 - cut.size());
        text += cut;
    }
    std::memcpy(buffer, text.c_str(), text.size() + 1);
}

} // namespace solvane
