// A library the recording library loads itself: the module's own
// acquisition library by the path it is given, and the conversion library
// by name through the platform's search. Neither is ever unloaded: their
// functions serve until the process ends.
#pragma once

#include <string>
#include <string_view>

namespace solvane::record {

class SharedObject {
public:
    SharedObject() = default;
    // `file` in UTF-8: a path, or a file name the platform searches for.
    // Loaded or not, error() says why not.
    explicit SharedObject(const std::string& file);

    bool loaded() const { return m_handle != nullptr; }
    const std::string& error() const { return m_error; }
    // The exported function's address; null when it has none.
    void* symbol(const char* name) const;

private:
    void* m_handle = nullptr;
    std::string m_error;
};

// The file the platform looks for ("libTarvox.so", "Tarvox.dll").
std::string libraryFileName(std::string_view baseName);

} // namespace solvane::record
