#include "sharedlibrary.h"

#include <windows.h>

namespace platform {

QString libraryFileName(const QString& baseName) {
    return baseName + QStringLiteral(".dll");
}

QString librarySearchDescription() {
    return QStringLiteral("La bibliothèque est cherchée dans le dossier du programme, dans "
                          "les dossiers du système, puis dans ceux de la variable PATH.");
}

QString lastLookupError() {
    // QLibrary keeps no message for a failed look-up; the system does.
    return qt_error_string(static_cast<int>(GetLastError()));
}

} // namespace platform
