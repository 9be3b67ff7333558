#include "native.h"

#include "runtimeerror.h"

#include <QStringList>

#include <windows.h>

#include <array>

namespace platform {

QString libraryFileName(const QString& baseName) {
    return baseName + QStringLiteral(".dll");
}

QString librarySearchDescription() {
    return QStringLiteral("La bibliothèque est cherchée dans le dossier du programme, dans "
                          "les dossiers du système, dans le dossier courant, puis dans ceux "
                          "de la variable PATH.");
}

QString librarySearchVariable() {
    return QStringLiteral("PATH");
}

QString lastLookupError() {
    // QLibrary keeps no message for a failed look-up; the system does.
    return qt_error_string(static_cast<int>(GetLastError()));
}

QString decodeAnsi(std::span<const char> bytes) {
    // The system's ANSI code page, as the module maker's library writes it;
    // the length is given, so zero bytes are kept like any other.
    if (bytes.empty())
        return {};
    const int size = static_cast<int>(bytes.size());
    const int length = MultiByteToWideChar(CP_ACP, 0, bytes.data(), size, nullptr, 0);
    if (length <= 0)
        raise(ErrorNumber::Internal,
              QStringLiteral("Un nom ne peut pas être lu dans la page de code ANSI du système : ") +
                  qt_error_string(static_cast<int>(GetLastError())));
    QString text(length, Qt::Uninitialized);
    MultiByteToWideChar(CP_ACP, 0, bytes.data(), size, reinterpret_cast<wchar_t*>(text.data()),
                        length);
    return text;
}

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
    // Its name is often an alias ("MS Shell Dlg"); ask GDI for the face it
    // really draws with.
    std::array<wchar_t, LF_FACESIZE> face{};
    int dotsPerInch = 0;
    if (HDC screen = GetDC(nullptr)) {
        const HGDIOBJ previous = SelectObject(screen, dialogFont);
        if (GetTextFaceW(screen, static_cast<int>(face.size()), face.data()) == 0)
            face[0] = L'\0';
        SelectObject(screen, previous);
        dotsPerInch = GetDeviceCaps(screen, LOGPIXELSY);
        ReleaseDC(nullptr, screen);
    }
    face.back() = L'\0';
    const QString realFace = QString::fromWCharArray(face.data());
    const QString aliasFace = QString::fromWCharArray(description.lfFaceName);
    font.setFamilies(
        QStringList{realFace.isEmpty() ? aliasFace : realFace, QStringLiteral("Arial")});
    // A negative height is the character height in pixels at the screen's
    // dots per inch.
    if (description.lfHeight < 0 && dotsPerInch > 0)
        font.setPointSizeF(-description.lfHeight * 72.0 / dotsPerInch); // 72 points an inch
    return font;
}

} // namespace platform
