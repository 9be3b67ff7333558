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

QString librarySearchDescription(Language language) {
    if (language == Language::English)
        return QStringLiteral("The library is looked for in the folders of LD_LIBRARY_PATH, "
                              "then in the system's (ldconfig).");
    return QStringLiteral("La bibliothèque est cherchée dans les dossiers de la variable "
                          "LD_LIBRARY_PATH, puis dans ceux du système (ldconfig).");
}

QString withoutModuleHint() {
    // The operator usually starts Solvane from the menu: the simulation's
    // menu entry first. The launchers are installed beside the program,
    // solvane-simulation with it, the others in packages of their own.
    const auto installed = [](const char* launcher) {
        const QFileInfo file(QCoreApplication::applicationDirPath() + QLatin1Char('/') +
                             QLatin1String(launcher));
        return file.isFile() && file.isExecutable();
    };
    QString hint = QStringLiteral(
        "Pour essayer Solvane sans module, choisissez « Solvane sur le module simulé » dans "
        "le menu des applications (Science), ou lancez « solvane-simulation ».");
    if (installed("solvane-sigrok"))
        hint += QStringLiteral(
            "\nPour un appareil reconnu par libsigrok, nommez-le dans la variable "
            "SOLVANE_SIGROK_DEVICE, puis lancez « solvane-sigrok » : par exemple "
            "« SOLVANE_SIGROK_DEVICE=demo solvane-sigrok » (appareil de démonstration).");
    if (installed("solvane-mqtt"))
        hint += QStringLiteral(
            "\nPour un module publié par solvane-agent, nommez le serveur MQTT et le module "
            "dans la variable SOLVANE_MQTT_URL, puis lancez « solvane-mqtt » (man solvane).");
    return hint;
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
