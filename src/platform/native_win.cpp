#include "native.h"

#include "runtimeerror.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <windows.h>

#include <string>

namespace platform {

QString libraryFileName(const QString& baseName) {
    return baseName + QStringLiteral(".dll");
}

QString librarySearchDescription(Language language) {
    if (language == Language::English)
        return QStringLiteral("The library is looked for in the program's folder, in the "
                              "system's folders, then in those of PATH; never in the current "
                              "folder.");
    return QStringLiteral("La bibliothèque est cherchée dans le dossier du programme, dans "
                          "les dossiers du système, puis dans ceux de la variable PATH ; "
                          "jamais dans le dossier courant.");
}

void excludeCurrentFolderFromLibrarySearch() {
    // A folder given to SetDllDirectoryW takes the current folder's place in
    // the search: the program's folder, that folder, the system's, then PATH.
    // Giving the program's own folder, searched first anyway, adds nothing.
    // (An empty one, Windows' way of saying "none", keeps the current folder
    // under Wine.)
    std::wstring program(MAX_PATH, L'\0');
    DWORD length = 0;
    while ((length = GetModuleFileNameW(nullptr, program.data(),
                                        static_cast<DWORD>(program.size()))) == program.size())
        program.resize(2 * program.size());
    const std::size_t folderEnd = program.find_last_of(L'\\', length);
    if (length == 0 || folderEnd == std::wstring::npos ||
        !SetDllDirectoryW(program.substr(0, folderEnd + 1).c_str()))
        raise(ErrorNumber::Internal,
              QStringLiteral("Le dossier courant ne peut pas être retiré de la recherche des "
                             "bibliothèques : ") +
                  qt_error_string(static_cast<int>(GetLastError())));
}

QString withoutModuleHint() {
    // The installer's Start-menu entry and the zip's launcher, which put the
    // simulated module on the search path; the remote module's launcher
    // where its folder came with the program.
    QString hint = QStringLiteral(
        "Pour essayer Solvane sans module, choisissez « Solvane sur le module simulé » dans le "
        "menu Démarrer, ou ouvrez « Lancer la simulation.cmd » dans le dossier Simulation.");
    if (QFileInfo(QCoreApplication::applicationDirPath() +
                  QStringLiteral("/Distant/Lancer le module distant.cmd"))
            .isFile())
        hint += QStringLiteral(
            "\nPour un module publié par solvane-agent, nommez le serveur MQTT et le module "
            "dans Distant\\connexion.cmd (voir LISEZMOI.txt), puis ouvrez « Lancer le module "
            "distant.cmd » dans le dossier Distant.");
    return hint;
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
