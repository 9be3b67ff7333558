#include "module.h"

#include <algorithm>
#include <array>
#include <string>

namespace solvane::sim {

namespace {

// The window must cope with sensors coming and going, but never with an empty
// or overfull module.
constexpr std::size_t minSensors = 6;
constexpr std::size_t maxSensors = 8;

// Windows-1252; a hex escape swallows following hex digits, hence the splits.
constexpr std::array commandNames{
    "D\xE9"
    "connecter le module",
    "Reconnecter le module",
    "Ajouter un senseur",
    "Retirer un senseur",
    "Remettre \xE0 z\xE9ro le compteur de trames",
    "\xC9talonner les senseurs",
};
static_assert(commandNames.size() == static_cast<std::size_t>(Command::Calibrate) + 1);

} // namespace

Module::Module() : m_started(Clock::now()), m_calibrated(m_started) {
    const std::size_t catalogueSize = sensorCatalogue().size();
    for (std::size_t i = 0; i < initialSensorCount; ++i) {
        m_plugged.push_back(i);
    }
    m_latest.resize(catalogueSize);
}

int32_t Module::sensorCount() const {
    return m_connected ? static_cast<int32_t>(m_plugged.size()) : 0;
}

std::optional<std::size_t> Module::catalogueIndex(int32_t index) const {
    if (index < 0 || index >= sensorCount()) {
        return std::nullopt;
    }
    return m_plugged[static_cast<std::size_t>(index)];
}

const SensorModel* Module::sensor(int32_t index) const {
    const auto entry = catalogueIndex(index);
    return entry ? &sensorCatalogue()[*entry] : nullptr;
}

SampleTime Module::now() const {
    const Clock::time_point t = Clock::now();
    return {std::chrono::duration<double>(t - m_started).count(),
            std::chrono::duration<double>(t - m_calibrated).count()};
}

Frame Module::sample(std::size_t catalogueIndex) const {
    Frame frame;
    sensorCatalogue()[catalogueIndex].sample(now(), frame);
    return frame;
}

std::optional<Module::FrameInfo> Module::acquire(int32_t index) {
    const auto entry = catalogueIndex(index);
    if (!entry) {
        return std::nullopt;
    }
    m_latest[*entry] = sample(*entry);
    // Unsigned so that the count wraps like the module's own 32-bit register.
    ++m_frameCounter;
    return FrameInfo{static_cast<int32_t>(m_frameCounter),
                     static_cast<int32_t>(m_latest[*entry]->bytes().size())};
}

const Frame* Module::latestFrame(int32_t index) {
    const auto entry = catalogueIndex(index);
    if (!entry) {
        return nullptr;
    }
    if (!m_latest[*entry]) {
        m_latest[*entry] = sample(*entry);
    }
    return &*m_latest[*entry];
}

int32_t Module::commandCount() {
    return static_cast<int32_t>(commandNames.size());
}

const char* Module::commandName(int32_t index) {
    if (index < 0 || index >= commandCount()) {
        return nullptr;
    }
    return commandNames[static_cast<std::size_t>(index)];
}

const char* Module::disconnectedText() {
    static const std::string text =
        std::string("disconnected by the command '") +
        commandNames[static_cast<std::size_t>(Command::Disconnect)] + "'; '" +
        commandNames[static_cast<std::size_t>(Command::Reconnect)] + "' connects it again";
    return text.c_str();
}

bool Module::execute(int32_t index) {
    if (index < 0 || index >= commandCount()) {
        return false;
    }
    const auto command = static_cast<Command>(index);
    if (!m_connected) {
        if (command != Command::Reconnect) {
            return false;
        }
        m_connected = true;
        return true;
    }
    switch (command) {
    case Command::Disconnect:
        m_connected = false;
        // Frames taken before the break must not reappear after it.
        std::fill(m_latest.begin(), m_latest.end(), std::nullopt);
        return true;
    case Command::Reconnect:
        return false;
    case Command::AddSensor:
        return addSensor();
    case Command::RemoveSensor:
        return removeSensor();
    case Command::ResetFrameCounter:
        m_frameCounter = 0;
        return true;
    case Command::Calibrate:
        m_calibrated = Clock::now();
        return true;
    }
    return false;
}

bool Module::addSensor() {
    if (m_plugged.size() >= maxSensors) {
        return false;
    }
    // Plug in the first catalogue sensor not already there.
    for (std::size_t i = 0; i < sensorCatalogue().size(); ++i) {
        if (std::find(m_plugged.begin(), m_plugged.end(), i) == m_plugged.end()) {
            m_plugged.push_back(i);
            m_latest[i].reset();
            return true;
        }
    }
    return false;
}

bool Module::removeSensor() {
    if (m_plugged.size() <= minSensors) {
        return false;
    }
    m_latest[m_plugged.back()].reset();
    m_plugged.pop_back();
    return true;
}

} // namespace solvane::sim
