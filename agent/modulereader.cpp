#include "modulereader.h"

#include "acquisition/modulereading.h"
#include "acquisition/quelbinlibrary.h"
#include "datatypes/modconversion.h"
#include "datatypes/modtypesdonnees.h"
#include "platform/sharedlibrary.h"

#include <algorithm>
#include <array>
#include <charconv>

namespace agent {

namespace {

using namespace solvane::mqtt;
namespace types = modTypesDonnées;

// The single-precision value's shortest decimal form, as a double: 1.1f is
// published as 1.1, not 1.100000023841858.
double shortest(float value) {
    std::array<char, 32> text{};
    const auto written = std::to_chars(text.data(), text.data() + text.size(), value);
    double result = value;
    std::from_chars(text.data(), written.ptr, result);
    return result;
}

// The element as a number of the wire: a truth value as 1 or 0; none for a
// code that names no type.
struct NumberOf {
    std::optional<double> operator()(std::monostate) const { return std::nullopt; }
    std::optional<double> operator()(bool value) const { return value ? 1 : 0; }
    std::optional<double> operator()(float value) const { return shortest(value); }
    template <typename Number> std::optional<double> operator()(Number value) const {
        return static_cast<double>(value);
    }
};

// The first entries of a list of `count`, at most `limit`; none for a
// negative count.
std::int16_t listed(std::int16_t count, std::size_t limit) {
    return std::clamp<std::int16_t>(count, 0, static_cast<std::int16_t>(limit));
}

} // namespace

ModuleReader::ModuleReader(std::optional<std::set<int>> chosenSensors)
    : m_chosen(std::move(chosenSensors)) {}

void ModuleReader::loadLibraries() {
    // In English, as every other line of the agent.
    platform::SharedLibrary acquisition(QStringLiteral("Quelbin"), nullptr,
                                        platform::Language::English);
    for (const char* name : {"getNbAcqui", "getNbDevices", "getDevice", "getNbCommands",
                             "getCommandName", "addCommand", "getRawDataInfo", "getRawData"})
        acquisition.resolve(name);
    platform::SharedLibrary conversion(QStringLiteral("Tarvox"), nullptr,
                                       platform::Language::English);
    for (const char* name : {"Tarvox_ToBOOL", "Tarvox_ToINT1", "Tarvox_ToINT2", "Tarvox_ToINT4",
                             "Tarvox_ToREAL4", "Tarvox_ToREAL8"})
        conversion.resolve(name);
}

const ModuleDescription& ModuleReader::readState() {
    const bool connected = quelbin::getNbAcqui() > 0;
    const std::int16_t devices = listed(quelbin::deviceCount(), maxSensors);
    const std::int16_t commands = listed(quelbin::commandCount(), maxCommands);
    if (m_read && connected == m_state.connected && devices == m_deviceCount &&
        commands == m_commandCount)
        return m_state;

    m_read = true;
    m_state.connected = connected;
    m_deviceCount = devices;
    m_commandCount = commands;
    m_state.sensors.clear();
    m_state.commands.clear();
    for (std::int16_t index = 0; index < devices; ++index) {
        const quelbin::DeviceDescription device = quelbin::describeDevice(index);
        m_state.sensors.push_back({quelbin::nameText(device.name).toStdString(),
                                   device.described ? device.type : types::typeNotSet});
    }
    for (std::int16_t index = 0; index < commands; ++index) {
        quelbin::NameBuffer name{};
        quelbin::getCommandName(index, name);
        m_state.commands.push_back(quelbin::nameText(name).toStdString());
    }
    return m_state;
}

PollReading ModuleReader::readPoll(std::uint64_t number) {
    PollReading poll;
    poll.poll = number;
    poll.connected = m_state.connected;
    for (std::size_t index = 0; index < m_state.sensors.size(); ++index) {
        if (m_chosen && !m_chosen->contains(static_cast<int>(index)))
            continue;
        const SensorDescription& sensor = m_state.sensors[index];
        const quelbin::RawReading raw = quelbin::readRaw(static_cast<std::int16_t>(index));

        SensorReading reading;
        reading.index = static_cast<std::int32_t>(index);
        reading.name = sensor.name;
        reading.header = raw.header;
        const auto count = static_cast<std::size_t>(raw.bytesWithin());
        reading.raw.assign(raw.data.begin(), raw.data.begin() + static_cast<std::ptrdiff_t>(count));
        reading.boolValues = sensor.type == types::typeBool;
        // Whole elements only: none is read past the byte count.
        const auto size = static_cast<std::size_t>(types::DataTypeSize(sensor.type));
        for (std::size_t position = 0; position + size <= count; position += size) {
            const auto value = std::visit(
                NumberOf{}, modConversion::Decode(raw.data.data() + position, sensor.type));
            if (!value)
                break; // a type the program does not know: no values
            reading.values.push_back(*value);
        }
        poll.sensors.push_back(std::move(reading));
    }
    return poll;
}

bool ModuleReader::runCommand(std::int32_t index) {
    if (index < 0 || index >= m_commandCount)
        return false;
    quelbin::addCommand(index);
    return true;
}

} // namespace agent
