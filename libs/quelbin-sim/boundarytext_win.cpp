#include "boundarytext.h"

#include <windows.h>

#include <vector>

namespace solvane::sim {

namespace {

constexpr UINT western = 1252;

} // namespace

std::string toBoundaryText(const char* text) {
    const int wideLength = MultiByteToWideChar(western, 0, text, -1, nullptr, 0);
    if (wideLength <= 0)
        return {};
    std::vector<wchar_t> wide(static_cast<std::size_t>(wideLength));
    MultiByteToWideChar(western, 0, text, -1, wide.data(), wideLength);
    // No flags: Windows' best fit stands in for the letters the code page lacks.
    const int length =
        WideCharToMultiByte(CP_ACP, 0, wide.data(), -1, nullptr, 0, nullptr, nullptr);
    if (length <= 0)
        return {};
    std::string converted(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.data(), -1, converted.data(), length, nullptr, nullptr);
    converted.pop_back(); // the terminating zero, counted with -1
    return converted;
}

} // namespace solvane::sim
