#include "modulereader.h"

#include "acquisition/quelbinlibrary.h"
#include "datatypes/modtypesdonnees.h"
#include "datatypes/tarvoxlibrary.h"
#include "platform/arith.h"
#include "platform/native.h"
#include "platform/sharedlibrary.h"
#include "platform/text.h"

#include <algorithm>
#include <array>
#include <charconv>

namespace agent {

namespace {

using namespace solvane::mqtt;
namespace types = modTypesDonnées;

std::string nameText(const quelbin::NameBuffer& name) {
    const std::size_t length = platform::lengthToFirstZero(name);
    return platform::decodeAnsi(std::span(name.data(), length)).toStdString();
}

// The single-precision value's shortest decimal form, as a double: 1.1f is
// published as 1.1, not 1.100000023841858.
double shortest(float value) {
    std::array<char, 32> text{};
    const auto written = std::to_chars(text.data(), text.data() + text.size(), value);
    double result = value;
    std::from_chars(text.data(), written.ptr, result);
    return result;
}

double decode(const std::uint8_t* element, types::DataType code) {
    switch (code) {
    case types::typeBool:
        // Only the low 16 bits of the truth value count, as in the window.
        return static_cast<std::uint16_t>(tarvox::ToBOOL(element)) != 0 ? 1 : 0;
    case types::typeInt1:
        return tarvox::ToINT1(element);
    case types::typeInt2:
        return tarvox::ToINT2(element);
    case types::typeInt4:
        return tarvox::ToINT4(element);
    case types::typeReal4:
        return shortest(tarvox::ToREAL4(element));
    default:
        return tarvox::ToREAL8(element);
    }
}

bool knownType(types::DataType code) {
    return code >= types::typeBool && code <= types::typeReal8;
}

std::int16_t countWithin(std::int32_t count, std::size_t limit) {
    return static_cast<std::int16_t>(
        std::clamp<std::int32_t>(platform::saturateToInt16(count), 0, static_cast<int>(limit)));
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
    const std::int16_t devices = countWithin(quelbin::getNbDevices(), maxSensors);
    const std::int16_t commands = countWithin(quelbin::getNbCommands(), maxCommands);
    if (m_read && connected == m_state.connected && devices == m_deviceCount &&
        commands == m_commandCount)
        return m_state;

    m_read = true;
    m_state.connected = connected;
    m_deviceCount = devices;
    m_commandCount = commands;
    m_state.sensors.clear();
    m_state.commands.clear();
    quelbin::NameBuffer name{};
    for (std::int16_t index = 0; index < devices; ++index) {
        // A sensor the library cannot read has no name and no type, never
        // the previous sensor's.
        name.fill('\0');
        std::int32_t type = types::typeNotSet;
        if (quelbin::getDevice(index, name, type) == 0)
            type = types::typeNotSet;
        m_state.sensors.push_back({nameText(name), type});
    }
    for (std::int16_t index = 0; index < commands; ++index) {
        name.fill('\0');
        quelbin::getCommandName(index, name);
        m_state.commands.push_back(nameText(name));
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
        std::int32_t header = 0;
        std::int32_t byteCount = 0;
        quelbin::RawBuffer data{};
        const auto libraryIndex = static_cast<std::int32_t>(index);
        quelbin::getRawDataInfo(libraryIndex, header, byteCount);
        quelbin::getRawData(libraryIndex, data);

        SensorReading reading;
        reading.index = libraryIndex;
        reading.name = sensor.name;
        reading.header = header;
        const std::size_t count = static_cast<std::size_t>(
            std::clamp<std::int32_t>(byteCount, 0, static_cast<std::int32_t>(data.size())));
        reading.raw.assign(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(count));
        reading.boolValues = sensor.type == types::typeBool;
        if (knownType(sensor.type)) {
            // Whole elements only: none is read past the byte count.
            const auto size = static_cast<std::size_t>(types::DataTypeSize(sensor.type));
            for (std::size_t position = 0; position + size <= count; position += size)
                reading.values.push_back(decode(data.data() + position, sensor.type));
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
