#include "tarvoxlibrary.h"

#include "platform/sharedlibrary.h"

#include <tarvox.h>

namespace tarvox {

namespace {

platform::SharedLibrary& library() {
    static platform::SharedLibrary lib(QStringLiteral("Tarvox"));
    return lib;
}

// Typed by the public header's declaration; decltype keeps the symbol unused,
// since the program never links the library.
template <typename Fn> using Function = platform::LibraryFunction<Fn>;

} // namespace

void searchOnlyIn(const QString& folder) {
    library().searchOnlyIn(folder);
}

std::int16_t ToBOOL(const std::uint8_t* element) {
    static Function<decltype(&Tarvox_ToBOOL)> fn(library(), "Tarvox_ToBOOL");
    return fn(element);
}

std::uint8_t ToINT1(const std::uint8_t* element) {
    static Function<decltype(&Tarvox_ToINT1)> fn(library(), "Tarvox_ToINT1");
    return fn(element);
}

std::int16_t ToINT2(const std::uint8_t* element) {
    static Function<decltype(&Tarvox_ToINT2)> fn(library(), "Tarvox_ToINT2");
    return fn(element);
}

std::int32_t ToINT4(const std::uint8_t* element) {
    static Function<decltype(&Tarvox_ToINT4)> fn(library(), "Tarvox_ToINT4");
    return fn(element);
}

float ToREAL4(const std::uint8_t* element) {
    static Function<decltype(&Tarvox_ToREAL4)> fn(library(), "Tarvox_ToREAL4");
    return fn(element);
}

double ToREAL8(const std::uint8_t* element) {
    static Function<decltype(&Tarvox_ToREAL8)> fn(library(), "Tarvox_ToREAL8");
    return fn(element);
}

} // namespace tarvox
