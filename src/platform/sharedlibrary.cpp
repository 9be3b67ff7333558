#include "sharedlibrary.h"

#include "native.h"
#include "runtimeerror.h"

#include <QDir>
#include <QLibrary>

namespace platform {

SharedLibrary::SharedLibrary(QString baseName, QString (*advice)(), Language language)
    : m_baseName(std::move(baseName)), m_advice(advice), m_language(language) {}

// The library stays loaded for the whole run: QLibrary does not unload on
// destruction, and functions handed out must stay valid.
SharedLibrary::~SharedLibrary() = default;

bool SharedLibrary::isLoaded() const {
    return m_library && m_library->isLoaded();
}

void SharedLibrary::searchOnlyIn(const QString& folder) {
    Q_ASSERT(!m_library);
    m_folder = folder;
}

void SharedLibrary::load() {
    const QString fileName = libraryFileName(m_baseName);
    if (!m_library) {
        excludeCurrentFolderFromLibrarySearch();
        m_library = std::make_unique<QLibrary>(
            m_folder.isEmpty() ? fileName : QDir(m_folder).filePath(fileName));
    }
    if (m_library->load())
        return;
    const QString loaderSays = m_library->errorString();
    const bool english = m_language == Language::English;
    const QString search =
        m_folder.isEmpty()
            ? librarySearchDescription(m_language)
            : (english ? QStringLiteral("The library is looked for in the folder '%1' only.")
                       : QStringLiteral("La bibliothèque est cherchée dans le dossier « %1 » "
                                        "seulement."))
                  .arg(QDir::toNativeSeparators(m_folder));
    QString report =
        (english ? QStringLiteral("cannot load the library '%1' (%2).\n"
                                  "The loader says: %3\n%4")
                 : QStringLiteral("Impossible de charger la bibliothèque « %1 » (%2).\n"
                                  "Le chargeur répond : %3\n%4"))
            .arg(m_baseName, fileName, loaderSays, search);
    if (m_advice)
        report += QLatin1Char('\n') + m_advice();
    raise(ErrorNumber::LibraryNotLoaded, report);
}

QFunctionPointer SharedLibrary::resolveOptional(const char* symbol) {
    if (!isLoaded())
        load();
    return m_library->resolve(symbol);
}

QFunctionPointer SharedLibrary::resolve(const char* symbol) {
    if (QFunctionPointer function = resolveOptional(symbol))
        return function;
    const QString loaderSays = lastLookupError();
    raise(ErrorNumber::FunctionNotFound,
          (m_language == Language::English
               ? QStringLiteral("the function '%1' is not in the library '%2' (%3).\n"
                                "The loader says: %4")
               : QStringLiteral("La fonction « %1 » est introuvable dans la bibliothèque « %2 » "
                                "(%3).\nLe chargeur répond : %4"))
              .arg(QLatin1String(symbol), m_baseName, m_library->fileName(), loaderSays));
}

} // namespace platform
