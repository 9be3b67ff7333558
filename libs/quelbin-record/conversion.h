// The values of a row, decoded by the conversion library the program uses
// (libTarvox.so, Tarvox.dll), loaded by name through the platform's search
// on the first row that needs it. Without it a row keeps its raw bytes and
// has no values.
#pragma once

#include "recordingrows.h"

#include "tarvox.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace solvane::record {

class Conversion {
public:
    // Loads the library; loaded() then says whether it could.
    void load();
    bool loaded() const { return m_toReal8 != nullptr; }
    const std::string& error() const { return m_error; }

    // The whole elements of `bytes` decoded by the type `code`, as the
    // window reads them (a truth value 1 or 0); none for a code that names
    // no type.
    void decode(std::int32_t code, std::span<const std::uint8_t> bytes,
                std::vector<recording::Value>& values) const;

private:
    decltype(&::Tarvox_ToBOOL) m_toBool = nullptr;
    decltype(&::Tarvox_ToINT1) m_toInt1 = nullptr;
    decltype(&::Tarvox_ToINT2) m_toInt2 = nullptr;
    decltype(&::Tarvox_ToINT4) m_toInt4 = nullptr;
    decltype(&::Tarvox_ToREAL4) m_toReal4 = nullptr;
    decltype(&::Tarvox_ToREAL8) m_toReal8 = nullptr;
    std::string m_error;
};

} // namespace solvane::record
