#include "sharedlibrary.h"

#include "native.h"
#include "runtimeerror.h"

#include <QLibrary>

namespace platform {

SharedLibrary::SharedLibrary(QString baseName, QString (*advice)())
    : m_baseName(std::move(baseName)), m_advice(advice) {}

// The library stays loaded for the whole run: QLibrary does not unload on
// destruction, and functions handed out must stay valid.
SharedLibrary::~SharedLibrary() = default;

bool SharedLibrary::isLoaded() const {
    return m_library && m_library->isLoaded();
}

void SharedLibrary::load() {
    if (!m_library) {
        excludeCurrentFolderFromLibrarySearch();
        m_library = std::make_unique<QLibrary>(libraryFileName(m_baseName));
    }
    if (m_library->load())
        return;
    const QString loaderSays = m_library->errorString();
    QString report =
        QStringLiteral("Impossible de charger la bibliothèque « %1 » (%2).\n"
                       "Le chargeur répond : %3\n%4")
            .arg(m_baseName, libraryFileName(m_baseName), loaderSays, librarySearchDescription());
    if (m_advice)
        report += QLatin1Char('\n') + m_advice();
    raise(ErrorNumber::LibraryNotLoaded, report);
}

QFunctionPointer SharedLibrary::resolve(const char* symbol) {
    if (!isLoaded())
        load();
    if (QFunctionPointer function = m_library->resolve(symbol))
        return function;
    const QString loaderSays = lastLookupError();
    raise(ErrorNumber::FunctionNotFound,
          QStringLiteral("La fonction « %1 » est introuvable dans la bibliothèque « %2 » (%3).\n"
                         "Le chargeur répond : %4")
              .arg(QLatin1String(symbol), m_baseName, m_library->fileName(), loaderSays));
}

} // namespace platform
