// The simulated module's sensors: what each one measures and how a frame of
// its readings is encoded for the program.
#ifndef SOLVANE_SIM_SENSORS_H
#define SOLVANE_SIM_SENSORS_H

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace solvane::sim {

// Codes the program understands, as reported by getDevice.
enum class DataType : int32_t { Bool = 0, Int1 = 1, Int2 = 2, Int4 = 3, Real4 = 4, Real8 = 5 };

constexpr int32_t elementSize(DataType type) {
    switch (type) {
    case DataType::Bool:
    case DataType::Int1:
        return 1;
    case DataType::Int2:
        return 2;
    case DataType::Int4:
    case DataType::Real4:
        return 4;
    case DataType::Real8:
        return 8;
    }
    return 0;
}

constexpr std::size_t frameCapacity = 128;

// One acquisition of a sensor, little-endian as the conversion library reads
// it. Appends beyond the capacity are dropped rather than overrunning.
class Frame {
public:
    void putBool(bool value);
    void putInt1(uint8_t value);
    void putInt2(int16_t value);
    void putInt4(int32_t value);
    void putReal4(float value);
    void putReal8(double value);

    std::span<const uint8_t> bytes() const { return {m_bytes.data(), m_size}; }

private:
    void putLittleEndian(uint64_t value, std::size_t byteCount);

    std::array<uint8_t, frameCapacity> m_bytes{};
    std::size_t m_size = 0;
};

// Time base of a reading: seconds since the module started, and since its
// sensors were last calibrated (analogue readings drift away from zero).
struct SampleTime {
    double sinceStart;
    double sinceCalibration;
};

struct SensorModel {
    const char* name; // ASCII letters, digits, '-' and '_' only
    DataType type;
    int32_t elementCount;
    void (*sample)(SampleTime time, Frame& frame);

    constexpr int32_t byteCount() const { return elementCount * elementSize(type); }
};

// Every sensor the module can carry, in the order they are plugged in.
std::span<const SensorModel> sensorCatalogue();

// How many catalogue sensors are plugged in when the module starts.
constexpr std::size_t initialSensorCount = 7;

} // namespace solvane::sim

#endif
