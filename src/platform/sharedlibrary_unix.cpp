#include "sharedlibrary.h"

#include <dlfcn.h>

namespace platform {

QString libraryFileName(const QString& baseName) {
    return QStringLiteral("lib%1.so").arg(baseName);
}

QString librarySearchDescription() {
    return QStringLiteral("La bibliothèque est cherchée dans les dossiers de la variable "
                          "LD_LIBRARY_PATH, puis dans ceux du système (ldconfig).");
}

QString lastLookupError() {
    // QLibrary keeps no message for a failed look-up; the dynamic loader does.
    const char* error = dlerror();
    return error ? QString::fromLocal8Bit(error) : QStringLiteral("symbole introuvable");
}

} // namespace platform
