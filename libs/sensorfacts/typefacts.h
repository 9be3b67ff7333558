// The data-type codes a sensor's description carries (getDevice): the name
// and the size in bytes of one element of each code the program knows.
#pragma once

#include <cstdint>

namespace solvane {

struct TypeFacts {
    const char* name; // "Bool", "Int1", ... "Real8"
    std::int16_t size;
};

// None for a code outside 0 to 5, which names no type.
const TypeFacts* typeFacts(std::int32_t code);

} // namespace solvane
