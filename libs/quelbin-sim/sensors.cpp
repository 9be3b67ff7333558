#include "sensors.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>
#include <numbers>

namespace solvane::sim {

void Frame::putBool(bool value) {
    putInt1(value ? uint8_t{1} : uint8_t{0});
}

void Frame::putInt1(uint8_t value) {
    putLittleEndian(value, 1);
}

void Frame::putInt2(int16_t value) {
    putLittleEndian(static_cast<uint16_t>(value), 2);
}

void Frame::putInt4(int32_t value) {
    putLittleEndian(static_cast<uint32_t>(value), 4);
}

void Frame::putReal4(float value) {
    putLittleEndian(std::bit_cast<uint32_t>(value), 4);
}

void Frame::putReal8(double value) {
    putLittleEndian(std::bit_cast<uint64_t>(value), 8);
}

void Frame::putLittleEndian(uint64_t value, std::size_t byteCount) {
    if (byteCount > m_bytes.size() - m_size) {
        return;
    }
    for (std::size_t i = 0; i < byteCount; ++i) {
        m_bytes[m_size++] = static_cast<uint8_t>(value >> (8U * i));
    }
}

namespace {

// A sine of the given period in seconds: every signal is built from these so
// that readings move smoothly however often the program polls.
double wave(double seconds, double period) {
    return std::sin(2.0 * std::numbers::pi * seconds / period);
}

// Time of sample `sample` out of `count`, the last one being now.
double sampleAt(SampleTime time, int32_t sample, int32_t count, double spacing) {
    return std::max(0.0, time.sinceStart - spacing * static_cast<double>(count - 1 - sample));
}

template <typename Integer> Integer roundClamped(double value) {
    const double low = static_cast<double>(std::numeric_limits<Integer>::min());
    const double high = static_cast<double>(std::numeric_limits<Integer>::max());
    return static_cast<Integer>(std::lround(std::clamp(value, low, high)));
}

// The inlet valve opens for three seconds, then stays shut for three.
constexpr double valveCycle = 6.0;
bool valveOpen(double seconds) {
    return std::fmod(seconds, valveCycle) < valveCycle / 2.0;
}

// Oven temperature in degrees Celsius: a slow swing around 180 with a faster
// regulation ripple; readings drift upwards until the next calibration.
constexpr int32_t ovenSamples = 8;
void sampleOvenTemperature(SampleTime time, Frame& frame) {
    for (int32_t i = 0; i < ovenSamples; ++i) {
        const double t = sampleAt(time, i, ovenSamples, 0.1);
        const double celsius = 180.0 + 4.0 * wave(t, 90.0) + 1.5 * wave(t, 13.0) +
                               0.15 * wave(t, 0.7) + 0.01 * time.sinceCalibration;
        frame.putReal4(static_cast<float>(celsius));
    }
}

// Line pressure in bar.
void sampleLinePressure(SampleTime time, Frame& frame) {
    const double t = time.sinceStart;
    frame.putReal8(2.5 + 0.12 * wave(t, 17.0) + 0.03 * wave(t, 2.3) +
                   0.0005 * time.sinceCalibration);
}

// Tank level in millimetres from the reference mark: it fills and empties and
// dips slightly below the mark at its lowest.
constexpr int32_t levelSamples = 4;
void sampleTankLevel(SampleTime time, Frame& frame) {
    for (int32_t i = 0; i < levelSamples; ++i) {
        const double t = sampleAt(time, i, levelSamples, 0.05);
        const double millimetres =
            550.0 + 650.0 * wave(t, 45.0) + 8.0 * wave(t, 1.1) + 0.5 * time.sinceCalibration;
        frame.putInt2(roundClamped<int16_t>(millimetres));
    }
}

// Parts produced since the counter was installed: two and a half per second.
void samplePartCounter(SampleTime time, Frame& frame) {
    frame.putInt4(roundClamped<int32_t>(48200.0 + std::floor(time.sinceStart * 2.5)));
}

// Status byte: bit 0 heartbeat, bit 1 valve open, bit 2 oven above set point,
// bits 3-5 step of the production cycle, bit 7 alarm (3 s out of every 11).
void sampleStatusByte(SampleTime time, Frame& frame) {
    const double t = time.sinceStart;
    const auto seconds = static_cast<uint64_t>(t);
    uint32_t status = static_cast<uint32_t>(seconds % 2U);
    status |= valveOpen(t) ? 0x02U : 0U;
    status |= wave(t, 90.0) > 0.0 ? 0x04U : 0U;
    status |= static_cast<uint32_t>((seconds / 4U) % 8U) << 3U;
    status |= std::fmod(t, 11.0) >= 8.0 ? 0x80U : 0U;
    frame.putInt1(static_cast<uint8_t>(status));
}

// Inlet valve position, sampled every quarter second so that a switch shows
// within one frame.
constexpr int32_t valveSamples = 4;
void sampleValve(SampleTime time, Frame& frame) {
    for (int32_t i = 0; i < valveSamples; ++i) {
        frame.putBool(valveOpen(sampleAt(time, i, valveSamples, 0.25)));
    }
}

// Vibration spectrum, 16 bins of relative amplitude: a main peak that sweeps
// across the band and a fixed hum near the top.
constexpr int32_t spectrumBins = 16;
void sampleSpectrum(SampleTime time, Frame& frame) {
    const double t = time.sinceStart;
    const double peak = 7.5 + 4.5 * wave(t, 30.0);
    const double hum = 0.3 + 0.1 * wave(t, 7.0);
    for (int32_t bin = 0; bin < spectrumBins; ++bin) {
        const double b = static_cast<double>(bin);
        const double main = std::exp(-(b - peak) * (b - peak) / (2.0 * 1.2 * 1.2));
        const double humPeak = hum * std::exp(-(b - 13.0) * (b - 13.0) / 0.5);
        const double floor = 0.015 * (1.0 + std::sin(2.1 * t + 1.3 * b));
        frame.putReal8(main + humPeak + floor);
    }
}

// Inlet flow in litres per minute: follows the valve with a short lag.
double inletFlow(double t) {
    const double phase = std::fmod(t, valveCycle);
    const double half = valveCycle / 2.0;
    const double nominal = 42.0 + 0.8 * wave(t, 2.7);
    return valveOpen(t) ? nominal * (1.0 - std::exp(-phase / 0.6))
                        : nominal * std::exp(-(phase - half) / 0.6);
}

constexpr int32_t flowSamples = 2;
void sampleInletFlow(SampleTime time, Frame& frame) {
    for (int32_t i = 0; i < flowSamples; ++i) {
        frame.putReal4(static_cast<float>(inletFlow(sampleAt(time, i, flowSamples, 0.5))));
    }
}

constexpr std::array catalogue{
    SensorModel{"Temperature_four", DataType::Real4, ovenSamples, sampleOvenTemperature},
    SensorModel{"Pression_ligne", DataType::Real8, 1, sampleLinePressure},
    SensorModel{"Niveau_cuve", DataType::Int2, levelSamples, sampleTankLevel},
    SensorModel{"Compteur_pieces", DataType::Int4, 1, samplePartCounter},
    SensorModel{"Octet_etat", DataType::Int1, 1, sampleStatusByte},
    SensorModel{"Vanne_V1", DataType::Bool, valveSamples, sampleValve},
    SensorModel{"Spectre_16", DataType::Real8, spectrumBins, sampleSpectrum},
    SensorModel{"Debit_entree", DataType::Real4, flowSamples, sampleInletFlow},
};

constexpr bool fitsInFrame(const SensorModel& sensor) {
    return sensor.byteCount() > 0 && static_cast<std::size_t>(sensor.byteCount()) <= frameCapacity;
}
static_assert(std::ranges::all_of(catalogue, fitsInFrame));
static_assert(initialSensorCount <= catalogue.size());

} // namespace

std::span<const SensorModel> sensorCatalogue() {
    return catalogue;
}

} // namespace solvane::sim
