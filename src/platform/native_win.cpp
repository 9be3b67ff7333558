#include "native.h"

#include "runtimeerror.h"

#include <QStringDecoder>

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
    // The system's ANSI code page, as the module maker's library writes it.
    static QStringDecoder decoder(QStringDecoder::System, QStringDecoder::Flag::Stateless);
    if (!decoder.isValid())
        raise(ErrorNumber::Internal,
              QStringLiteral("La page de code ANSI du système n'est pas disponible."));
    return decoder.decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

} // namespace platform
