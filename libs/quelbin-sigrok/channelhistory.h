// The latest values of one channel, as Solvane reads a sensor's raw data:
// oldest first, up to 128 bytes (32 four-byte floats of an analog channel,
// or 128 one-byte samples, 0 or 1, of a logic channel), and the number of
// the newest sample received.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace solvane::sigrok {

inline constexpr std::size_t rawCapacity = 128;
using RawBytes = std::array<std::uint8_t, rawCapacity>;

class ChannelHistory {
public:
    // `newest`: the last values of a packet of `sampleCount` samples, oldest
    // first, whole elements only; beyond 128 bytes only its last 128 count.
    void append(std::span<const std::uint8_t> newest, std::uint64_t sampleCount);

    // Number of the newest sample since the history began, within 31 bits
    // (0 before the first sample).
    std::int32_t header() const;
    std::size_t byteCount() const { return m_size; }
    const RawBytes& bytes() const { return m_bytes; }

private:
    RawBytes m_bytes{};
    std::size_t m_size = 0;
    std::uint64_t m_samples = 0;
};

// The number of whole samples in a logic packet of `length` bytes: libsigrok
// gives the length in bytes, each sample `unitsize` bytes wide (one bit per
// channel), so wide analysers have fewer samples than bytes.
std::uint64_t logicSampleCount(std::uint64_t length, std::size_t unitsize);

// The last samples of the logic channel at bit `bit` (bit bit%8 of byte
// bit/8 of each sample) of `sampleCount` samples of `unitsize` bytes, one
// byte (0 or 1) each, oldest first, into `out`; returns the bytes written
// (at most 128).
std::size_t logicTail(const std::uint8_t* samples, std::uint64_t sampleCount, std::size_t unitsize,
                      std::size_t bit, RawBytes& out);

// The last values of channel `channel` out of `channels` interleaved ones
// (sample by sample), as native 32-bit floats, oldest first, into `out`;
// returns the bytes written (at most 128).
std::size_t analogTail(std::span<const float> values, std::size_t channels, std::size_t channel,
                       RawBytes& out);

// A channel's name kept to ASCII letters, digits, '-' and '_'; a name with
// none of them becomes the channel's position in decimal.
std::string sensorName(std::string_view channelName, std::size_t position);

} // namespace solvane::sigrok
