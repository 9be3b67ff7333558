// An acquisition library that a test loads by hand, its eight functions
// resolved; unloaded with the object.
#pragma once

#include "quelbinfunctions.h"

#include <QByteArray>
#include <QLibrary>

#include <cstdint>

class LoadedQuelbin : public QuelbinFunctions {
public:
    ~LoadedQuelbin();
    LoadedQuelbin(const LoadedQuelbin&) = delete;
    LoadedQuelbin& operator=(const LoadedQuelbin&) = delete;

    bool unload() { return m_library.unload(); }
    // Command `index`'s name, up to its zero byte.
    QByteArray commandName(std::int32_t index);
    // What the optional getStatusText writes, up to its zero byte; empty
    // where the library has none.
    QByteArray statusText();

protected:
    LoadedQuelbin() = default;
    // Loads the file and resolves the eight functions; the test ends if it
    // cannot.
    void load(const QString& file);

private:
    QLibrary m_library;
};
