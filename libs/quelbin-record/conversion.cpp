#include "conversion.h"

#include "sharedobject.h"
#include "typefacts.h"

namespace solvane::record {

void Conversion::load() {
    const std::string file = libraryFileName("Tarvox");
    const SharedObject library(file);
    if (!library.loaded()) {
        m_error = file + " cannot be loaded: " + library.error();
        return;
    }
    m_toBool = reinterpret_cast<decltype(m_toBool)>(library.symbol("Tarvox_ToBOOL"));
    m_toInt1 = reinterpret_cast<decltype(m_toInt1)>(library.symbol("Tarvox_ToINT1"));
    m_toInt2 = reinterpret_cast<decltype(m_toInt2)>(library.symbol("Tarvox_ToINT2"));
    m_toInt4 = reinterpret_cast<decltype(m_toInt4)>(library.symbol("Tarvox_ToINT4"));
    m_toReal4 = reinterpret_cast<decltype(m_toReal4)>(library.symbol("Tarvox_ToREAL4"));
    const auto toReal8 = reinterpret_cast<decltype(m_toReal8)>(library.symbol("Tarvox_ToREAL8"));
    if (!m_toBool || !m_toInt1 || !m_toInt2 || !m_toInt4 || !m_toReal4 || !toReal8) {
        m_error = file + " lacks one of its six functions";
        return;
    }
    m_toReal8 = toReal8;
}

void Conversion::decode(std::int32_t code, std::span<const std::uint8_t> bytes,
                        std::vector<recording::Value>& values) const {
    values.clear();
    const TypeFacts* facts = typeFacts(code);
    if (!loaded() || facts == nullptr)
        return;
    const auto size = static_cast<std::size_t>(facts->size);
    for (std::size_t at = 0; at + size <= bytes.size(); at += size) {
        const std::uint8_t* element = bytes.data() + at;
        switch (code) {
        case 0: // Bool: only the low 16 bits of the truth value count, as in the window
            values.emplace_back(std::int64_t{static_cast<std::uint16_t>(m_toBool(element)) != 0});
            break;
        case 1: // Int1
            values.emplace_back(std::int64_t{m_toInt1(element)});
            break;
        case 2: // Int2
            values.emplace_back(std::int64_t{m_toInt2(element)});
            break;
        case 3: // Int4
            values.emplace_back(std::int64_t{m_toInt4(element)});
            break;
        case 4: // Real4
            values.emplace_back(m_toReal4(element));
            break;
        default: // Real8
            values.emplace_back(m_toReal8(element));
            break;
        }
    }
}

} // namespace solvane::record
