#include "native.h"

#include "runtimeerror.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QStringDecoder>

#include <dlfcn.h>

namespace platform {

QString libraryFileName(const QString& baseName) {
    return QStringLiteral("lib%1.so").arg(baseName);
}

QString librarySearchDescription() {
    return QStringLiteral("La bibliothèque est cherchée dans les dossiers de la variable "
                          "LD_LIBRARY_PATH, puis dans ceux du système (ldconfig).");
}

QString withoutModuleHint() {
    // The launchers are installed beside the program; solvane-simulation
    // comes in its package, solvane-sigrok in a package of its own.
    const QString hint =
        QStringLiteral("Pour essayer Solvane sans module, lancez « solvane-simulation » "
                       "(module simulé)");
    const QFileInfo sigrok(QCoreApplication::applicationDirPath() +
                           QStringLiteral("/solvane-sigrok"));
    if (sigrok.isFile() && sigrok.isExecutable())
        return hint + QStringLiteral(" ou « solvane-sigrok » (appareil reconnu par libsigrok).");
    return hint + QLatin1Char('.');
}

void excludeCurrentFolderFromLibrarySearch() {}

QString librarySearchVariable() {
    return QStringLiteral("LD_LIBRARY_PATH");
}

QString lastLookupError() {
    // QLibrary keeps no message for a failed look-up; the dynamic loader does.
    const char* error = dlerror();
    return error ? QString::fromLocal8Bit(error) : QStringLiteral("symbole introuvable");
}

QString decodeAnsi(std::span<const char> bytes) {
    // Module makers write names in the designed platform's code page. Qt has it
    // only through ICU; stateless, since a single-byte code page carries
    // nothing between calls.
    static QStringDecoder decoder("windows-1252", QStringDecoder::Flag::Stateless);
    if (!decoder.isValid())
        raise(ErrorNumber::Internal,
              QStringLiteral("Le jeu de caractères Windows-1252 des noms de senseurs et de "
                             "commandes n'est pas disponible (Qt sans ICU)."));
    return decoder.decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

} // namespace platform
