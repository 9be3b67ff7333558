#include "channelhistory.h"

#include <algorithm>
#include <cstring>

namespace solvane::sigrok {

void ChannelHistory::append(std::span<const std::uint8_t> newest, std::uint64_t sampleCount) {
    const std::size_t incoming = std::min(newest.size(), rawCapacity);
    // Keep the newest of the bytes already held that still fit before them.
    const std::size_t kept = std::min(m_size, rawCapacity - incoming);
    std::memmove(m_bytes.data(), m_bytes.data() + (m_size - kept), kept);
    std::memcpy(m_bytes.data() + kept, newest.data() + (newest.size() - incoming), incoming);
    m_size = kept + incoming;
    m_samples += sampleCount;
}

std::int32_t ChannelHistory::header() const {
    return static_cast<std::int32_t>(m_samples & 0x7FFF'FFFFU);
}

std::uint64_t logicSampleCount(std::uint64_t length, std::size_t unitsize) {
    return unitsize == 0 ? 0 : length / unitsize;
}

std::size_t logicTail(const std::uint8_t* samples, std::uint64_t sampleCount, std::size_t unitsize,
                      std::size_t bit, RawBytes& out) {
    if (unitsize == 0 || bit >= 8 * unitsize)
        return 0;
    const std::size_t count =
        static_cast<std::size_t>(std::min<std::uint64_t>(sampleCount, rawCapacity));
    const std::uint8_t* sample = samples + (sampleCount - count) * unitsize + bit / 8;
    const unsigned shift = static_cast<unsigned>(bit % 8);
    for (std::size_t i = 0; i < count; ++i, sample += unitsize)
        out[i] = static_cast<std::uint8_t>((*sample >> shift) & 1U);
    return count;
}

std::size_t analogTail(std::span<const float> values, std::size_t channels, std::size_t channel,
                       RawBytes& out) {
    if (channels == 0 || channel >= channels)
        return 0;
    constexpr std::size_t floatCapacity = rawCapacity / sizeof(float);
    const std::size_t samples = values.size() / channels;
    const std::size_t count = std::min(samples, floatCapacity);
    for (std::size_t i = 0; i < count; ++i) {
        const float value = values[(samples - count + i) * channels + channel];
        std::memcpy(out.data() + i * sizeof(float), &value, sizeof(float));
    }
    return count * sizeof(float);
}

std::string sensorName(std::string_view channelName, std::size_t position) {
    std::string name;
    for (const char c : channelName) {
        const bool kept = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                          (c >= '0' && c <= '9') || c == '-' || c == '_';
        if (kept)
            name += c;
    }
    return name.empty() ? std::to_string(position) : name;
}

} // namespace solvane::sigrok
