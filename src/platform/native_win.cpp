#include "native.h"

#include "runtimeerror.h"

#include <windows.h>

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

} // namespace platform
