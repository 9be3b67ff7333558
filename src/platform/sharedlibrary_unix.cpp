#include "sharedlibrary.h"

namespace platform {

QString libraryFileName(const QString& baseName)
{
    return QStringLiteral("lib%1.so").arg(baseName);
}

QString librarySearchDescription()
{
    return QStringLiteral("La bibliothèque est cherchée dans les dossiers de la variable "
                          "LD_LIBRARY_PATH, puis dans ceux du système (ldconfig).");
}

} // namespace platform
