#include "typefacts.h"

#include <array>

namespace solvane {

namespace {

// In the order of the codes, from 0.
constexpr std::array<TypeFacts, 6> known{{
    {"Bool", 1}, // one byte, as Int1
    {"Int1", 1},
    {"Int2", 2},
    {"Int4", 4},
    {"Real4", 4},
    {"Real8", 8},
}};

} // namespace

const TypeFacts* typeFacts(std::int32_t code) {
    if (code < 0 || code >= static_cast<std::int32_t>(known.size()))
        return nullptr;
    return &known[static_cast<std::size_t>(code)];
}

} // namespace solvane
