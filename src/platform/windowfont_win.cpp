#include "windowfont.h"

#include <QStringList>

#include <windows.h>

#include <array>

namespace platform {

namespace {

// The face GDI draws for an alias such as "MS Shell Dlg": the system's font
// substitutes ("Name" or "Name,charset"); the name itself if it has none.
QString substitutedFace(const QString& face) {
    HKEY substitutes = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE,
                      L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\FontSubstitutes", 0,
                      KEY_QUERY_VALUE, &substitutes) != ERROR_SUCCESS)
        return face;
    std::array<wchar_t, 2 * LF_FACESIZE> value{};
    DWORD type = 0;
    auto size = static_cast<DWORD>(sizeof(wchar_t) * (value.size() - 1));
    const LSTATUS status =
        RegQueryValueExW(substitutes, reinterpret_cast<const wchar_t*>(face.utf16()), nullptr,
                         &type, reinterpret_cast<BYTE*>(value.data()), &size);
    RegCloseKey(substitutes);
    if (status != ERROR_SUCCESS || type != REG_SZ)
        return face;
    const QString substitute =
        QString::fromWCharArray(value.data()).section(QLatin1Char(','), 0, 0);
    return substitute.isEmpty() ? face : substitute;
}

} // namespace

QFont windowFont() {
    // The window system's own dialog font. Qt's default is the message font
    // (9 points or more), wider than the captions were designed for.
    QFont font;
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(designedPointSize);

    const HGDIOBJ dialogFont = GetStockObject(DEFAULT_GUI_FONT);
    LOGFONTW description{};
    if (!dialogFont || GetObjectW(dialogFont, sizeof description, &description) == 0) {
        font.setFamilies(QStringList{QStringLiteral("Arial")});
        return font;
    }
    // Its name is an alias ("MS Shell Dlg") that not every font database of
    // Qt knows: the face it stands for comes first.
    const QString face = QString::fromWCharArray(description.lfFaceName);
    font.setFamilies(QStringList{substitutedFace(face), face, QStringLiteral("Arial")});
    // A negative height is the character height in pixels at the screen's
    // dots per inch.
    int dotsPerInch = 0;
    if (HDC screen = GetDC(nullptr)) {
        dotsPerInch = GetDeviceCaps(screen, LOGPIXELSY);
        ReleaseDC(nullptr, screen);
    }
    if (description.lfHeight < 0 && dotsPerInch > 0)
        font.setPointSizeF(-description.lfHeight * 72.0 / dotsPerInch); // 72 points an inch
    return font;
}

} // namespace platform
