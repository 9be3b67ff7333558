// The conversion library "Tarvox", loaded by name on the first conversion.
#pragma once

#include <QString>

#include <cstdint>

namespace tarvox {

// Looks for the library in `folder` only, for a test that must find it
// missing whatever the machine has installed; before the first conversion.
// The program never calls it.
void searchOnlyIn(const QString& folder);

std::int16_t ToBOOL(const std::uint8_t* element);
std::uint8_t ToINT1(const std::uint8_t* element);
std::int16_t ToINT2(const std::uint8_t* element);
std::int32_t ToINT4(const std::uint8_t* element);
float ToREAL4(const std::uint8_t* element);
double ToREAL8(const std::uint8_t* element);

} // namespace tarvox
