#include "namecodepage.h"

#include <windows.h>

#include <algorithm>
#include <climits>
#include <vector>

namespace solvane {

namespace {

constexpr UINT western = 1252;

// `text`, in code page `from`, in code page `to`.
std::string recode(UINT from, UINT to, std::string_view text) {
    if (text.empty() || text.size() > INT_MAX / 2)
        return {};
    const int size = static_cast<int>(text.size());
    // No flags: a malformed sequence becomes U+FFFD, which has no letter in
    // any ANSI code page and so comes out as '?'.
    const int wideLength = MultiByteToWideChar(from, 0, text.data(), size, nullptr, 0);
    if (wideLength <= 0)
        return {};
    std::vector<wchar_t> wide(static_cast<std::size_t>(wideLength));
    MultiByteToWideChar(from, 0, text.data(), size, wide.data(), wideLength);
    // No flags: Windows' best fit stands in for the letters the code page lacks.
    const int length =
        WideCharToMultiByte(to, 0, wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
    if (length <= 0)
        return {};
    std::string converted(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(to, 0, wide.data(), wideLength, converted.data(), length, nullptr, nullptr);
    std::replace(converted.begin(), converted.end(), '\0', '?');
    return converted;
}

} // namespace

std::string westernToNameCodePage(std::string_view text) {
    return recode(western, CP_ACP, text);
}

std::string utf8ToNameCodePage(std::string_view utf8) {
    return recode(CP_UTF8, CP_ACP, utf8);
}

std::string nameCodePageToUtf8(std::string_view name) {
    return recode(CP_ACP, CP_UTF8, name);
}

} // namespace solvane
