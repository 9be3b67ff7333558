#include "module.h"

#include <algorithm>
#include <array>

namespace solvane::sim {

namespace {

// The window must cope with sensors coming and going, but never with an empty
// or overfull module.
constexpr std::size_t kMinSensors = 6;
constexpr std::size_t kMaxSensors = 8;

// Windows-1252; a hex escape swallows following hex digits, hence the splits.
constexpr std::array kCommandNames{
    "D\xE9"
    "connecter le module",
    "Reconnecter le module",
    "Ajouter un senseur",
    "Retirer un senseur",
    "Remettre \xE0 z\xE9ro le compteur de trames",
    "\xC9talonner les senseurs",
};
static_assert(kCommandNames.size() == static_cast<std::size_t>(Command::Calibrate) + 1);

} // namespace

Module::Module() : started_(Clock::now()), calibrated_(started_) {
    const std::size_t catalogueSize = sensorCatalogue().size();
    for (std::size_t i = 0; i < kInitialSensorCount; ++i) {
        plugged_.push_back(i);
    }
    latest_.resize(catalogueSize);
}

int32_t Module::sensorCount() const {
    return connected_ ? static_cast<int32_t>(plugged_.size()) : 0;
}

std::optional<std::size_t> Module::catalogueIndex(int32_t index) const {
    if (index < 0 || index >= sensorCount()) {
        return std::nullopt;
    }
    return plugged_[static_cast<std::size_t>(index)];
}

const SensorModel* Module::sensor(int32_t index) const {
    const auto entry = catalogueIndex(index);
    return entry ? &sensorCatalogue()[*entry] : nullptr;
}

SampleTime Module::now() const {
    const Clock::time_point t = Clock::now();
    return {std::chrono::duration<double>(t - started_).count(),
            std::chrono::duration<double>(t - calibrated_).count()};
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
    latest_[*entry] = sample(*entry);
    // Unsigned so that the count wraps like the module's own 32-bit register.
    ++frameCounter_;
    return FrameInfo{static_cast<int32_t>(frameCounter_),
                     static_cast<int32_t>(latest_[*entry]->bytes().size())};
}

const Frame* Module::latestFrame(int32_t index) {
    const auto entry = catalogueIndex(index);
    if (!entry) {
        return nullptr;
    }
    if (!latest_[*entry]) {
        latest_[*entry] = sample(*entry);
    }
    return &*latest_[*entry];
}

int32_t Module::commandCount() {
    return static_cast<int32_t>(kCommandNames.size());
}

const char* Module::commandName(int32_t index) {
    if (index < 0 || index >= commandCount()) {
        return nullptr;
    }
    return kCommandNames[static_cast<std::size_t>(index)];
}

bool Module::execute(int32_t index) {
    if (index < 0 || index >= commandCount()) {
        return false;
    }
    const auto command = static_cast<Command>(index);
    if (!connected_) {
        if (command != Command::Reconnect) {
            return false;
        }
        connected_ = true;
        return true;
    }
    switch (command) {
    case Command::Disconnect:
        connected_ = false;
        // Frames taken before the break must not reappear after it.
        std::fill(latest_.begin(), latest_.end(), std::nullopt);
        return true;
    case Command::Reconnect:
        return false;
    case Command::AddSensor:
        return addSensor();
    case Command::RemoveSensor:
        return removeSensor();
    case Command::ResetFrameCounter:
        frameCounter_ = 0;
        return true;
    case Command::Calibrate:
        calibrated_ = Clock::now();
        return true;
    }
    return false;
}

bool Module::addSensor() {
    if (plugged_.size() >= kMaxSensors) {
        return false;
    }
    // Plug in the first catalogue sensor not already there.
    for (std::size_t i = 0; i < sensorCatalogue().size(); ++i) {
        if (std::find(plugged_.begin(), plugged_.end(), i) == plugged_.end()) {
            plugged_.push_back(i);
            latest_[i].reset();
            return true;
        }
    }
    return false;
}

bool Module::removeSensor() {
    if (plugged_.size() <= kMinSensors) {
        return false;
    }
    latest_[plugged_.back()].reset();
    plugged_.pop_back();
    return true;
}

} // namespace solvane::sim
