// A library loaded by name through the platform's own search on the first
// call of any of its functions, each function looked up on its own first call.
#pragma once

#include "native.h"

#include <QFunctionPointer>
#include <QString>

#include <memory>
#include <utility>

class QLibrary;

namespace platform {

class SharedLibrary {
public:
    // advice, when given, adds its line to the report of a library that
    // cannot be loaded. The reports are in `language`.
    explicit SharedLibrary(QString baseName, QString (*advice)() = nullptr,
                           Language language = Language::French);
    ~SharedLibrary();
    SharedLibrary(const SharedLibrary&) = delete;
    SharedLibrary& operator=(const SharedLibrary&) = delete;

    // The function's address; loads the library first if needed. Raises the
    // library or function error naming it, with the loader's own words.
    QFunctionPointer resolve(const char* symbol);
    // The same for a function the library may leave out: null when it has
    // none, with no error.
    QFunctionPointer resolveOptional(const char* symbol);

    bool isLoaded() const;

    // Looks in `folder` only instead of through the platform's search, so
    // that a test does not depend on what the machine has installed; before
    // the first load. The program never calls it.
    void searchOnlyIn(const QString& folder);

private:
    void load();

    QString m_baseName;
    QString (*m_advice)();
    Language m_language;
    QString m_folder; // empty: the platform's search
    std::unique_ptr<QLibrary> m_library;
};

// One exported function, typed by the public header's declaration.
template <typename Fn> class LibraryFunction {
public:
    LibraryFunction(SharedLibrary& library, const char* name) : m_library(library), m_name(name) {}

    template <typename... Args> auto operator()(Args&&... args) {
        if (!m_function)
            m_function = reinterpret_cast<Fn>(m_library.resolve(m_name));
        return m_function(std::forward<Args>(args)...);
    }

private:
    SharedLibrary& m_library;
    const char* m_name;
    Fn m_function = nullptr;
};

} // namespace platform
