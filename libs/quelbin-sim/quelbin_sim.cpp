// The acquisition library's entry points for the simulated module. The program
// calls them from its GUI thread only, so the module needs no locking.
#include "quelbin.h"

#include "module.h"
#include "namebuffer.h"

#include <algorithm>

namespace {

solvane::sim::Module& module() {
    static solvane::sim::Module instance;
    return instance;
}

} // namespace

extern "C" SOLVANE_EXPORT int32_t SOLVANE_CALL getNbAcqui(void) {
    return module().connected() ? 1 : 0;
}

extern "C" SOLVANE_EXPORT int32_t SOLVANE_CALL getNbDevices(void) {
    return module().sensorCount();
}

extern "C" SOLVANE_EXPORT int16_t SOLVANE_CALL getDevice(int32_t index,
                                                         char name[QUELBIN_NAME_SIZE],
                                                         int32_t* dataType) {
    const solvane::sim::SensorModel* sensor = module().sensor(index);
    if (sensor == nullptr || name == nullptr || dataType == nullptr) {
        return 0;
    }
    solvane::writeWesternName({name, QUELBIN_NAME_SIZE}, sensor->name);
    *dataType = static_cast<int32_t>(sensor->type);
    return 1;
}

extern "C" SOLVANE_EXPORT int32_t SOLVANE_CALL getNbCommands(void) {
    return solvane::sim::Module::commandCount();
}

extern "C" SOLVANE_EXPORT int32_t SOLVANE_CALL getCommandName(int32_t index,
                                                              char name[QUELBIN_NAME_SIZE]) {
    const char* text = solvane::sim::Module::commandName(index);
    if (text == nullptr || name == nullptr) {
        return 0;
    }
    solvane::writeWesternName({name, QUELBIN_NAME_SIZE}, text);
    return 1;
}

extern "C" SOLVANE_EXPORT int32_t SOLVANE_CALL addCommand(int32_t index) {
    return module().execute(index) ? 1 : 0;
}

extern "C" SOLVANE_EXPORT int32_t SOLVANE_CALL getRawDataInfo(int32_t index, int32_t* header,
                                                              int32_t* byteCount) {
    if (header == nullptr || byteCount == nullptr) {
        return 0;
    }
    const auto info = module().acquire(index);
    *header = info ? info->header : 0;
    *byteCount = info ? info->byteCount : 0;
    return info ? 1 : 0;
}

extern "C" SOLVANE_EXPORT int32_t SOLVANE_CALL getStatusText(char text[QUELBIN_NAME_SIZE]) {
    if (text == nullptr) {
        return 0;
    }
    solvane::writeWesternName({text, QUELBIN_NAME_SIZE},
                              module().connected() ? "" : solvane::sim::Module::disconnectedText());
    return 1;
}

extern "C" SOLVANE_EXPORT int32_t SOLVANE_CALL getRawData(int32_t index,
                                                          uint8_t data[QUELBIN_RAW_SIZE]) {
    const solvane::sim::Frame* frame = module().latestFrame(index);
    if (frame == nullptr || data == nullptr) {
        return 0;
    }
    const auto bytes = frame->bytes();
    std::copy(bytes.begin(), bytes.end(), data);
    return static_cast<int32_t>(bytes.size());
}
