#include "sharedlibrary.h"

namespace platform {

QString libraryFileName(const QString& baseName) { return baseName + QStringLiteral(".dll"); }

QString librarySearchDescription()
{
    return QStringLiteral("La bibliothèque est cherchée dans le dossier du programme, dans "
                          "les dossiers du système, puis dans ceux de la variable PATH.");
}

} // namespace platform
