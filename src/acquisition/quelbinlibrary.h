// The acquisition library "Quelbin", loaded by name on its first call, each
// function looked up on its own first call.
#pragma once

#include <quelbin.h>

#include <array>
#include <cstdint>

namespace quelbin {

// A name as the library writes it: 128 bytes of text in the system's ANSI
// code page (Windows-1252 outside Windows), ended by a zero byte when
// shorter. Kept as raw bytes; decoded only for display (modulereading.h).
using NameBuffer = std::array<char, QUELBIN_NAME_SIZE>;
// A sensor's raw data; the library writes at most 128 bytes.
using RawBuffer = std::array<std::uint8_t, QUELBIN_RAW_SIZE>;

// The functions below hand the library buffers with this much room past the
// 128 bytes it may write, and keep only the first 128: a library that writes
// past its buffer corrupts nothing of the program's.
constexpr std::size_t overrunRoom = 8192;

std::int32_t getNbAcqui();
std::int32_t getNbDevices();
std::int16_t getDevice(std::int32_t index, NameBuffer& name, std::int32_t& dataType);
std::int32_t getNbCommands();
std::int32_t getCommandName(std::int32_t index, NameBuffer& name);
std::int32_t addCommand(std::int32_t index);
std::int32_t getRawDataInfo(std::int32_t index, std::int32_t& header, std::int32_t& byteCount);
std::int32_t getRawData(std::int32_t index, RawBuffer& data);
// The optional getStatusText; false, with nothing called, when the library
// has no such function.
bool getStatusText(NameBuffer& text);

} // namespace quelbin
