// The acquisition library's entry points over libsigrok. The instrument is
// named by SOLVANE_SIGROK_DEVICE (and set up by SOLVANE_SIGROK_CONFIG); the
// library's own thread does all the device work, and these functions only
// read what it last published, so none of them waits on the device. Each
// poll (getNbAcqui) takes the module's state, which the other functions
// answer from until the next poll.
#include "quelbin.h"

#include "library.h"
#include "namebuffer.h"

#include <array>
#include <chrono>

namespace {

using solvane::sigrok::Command;
using solvane::sigrok::library;

// Unloading or the process's end releases the library, within a bound: it
// may run under the loader's lock, which the library's thread may want.
struct Release {
    Release() = default;
    Release(const Release&) = delete;
    Release& operator=(const Release&) = delete;
    ~Release() { solvane::sigrok::releaseLibrary(std::chrono::milliseconds(600)); }
};
const Release release;

// In the order of Command; Windows-1252 text, as the name writer takes it.
constexpr std::array commandNames{
    "D\xE9marrer l'acquisition",
    "Arr\xEAter l'acquisition",
    "Reconnecter l'appareil",
};

// Offered whether the device is open or not: "Reconnecter l'appareil" is
// what an operator sends to a device that will not open.
bool validCommand(int32_t index) {
    return index >= 0 && static_cast<std::size_t>(index) < commandNames.size();
}

} // namespace

extern "C" SOLVANE_EXPORT int32_t SOLVANE_CALL getNbAcqui(void) {
    return library().state.poll() ? 1 : 0;
}

extern "C" SOLVANE_EXPORT int32_t SOLVANE_CALL getNbDevices(void) {
    return library().state.sensorCount();
}

extern "C" SOLVANE_EXPORT int16_t SOLVANE_CALL getDevice(int32_t index,
                                                         char name[QUELBIN_NAME_SIZE],
                                                         int32_t* dataType) {
    if (name == nullptr || dataType == nullptr)
        return 0;
    return library().state.describe(index, name, QUELBIN_NAME_SIZE, *dataType) ? 1 : 0;
}

extern "C" SOLVANE_EXPORT int32_t SOLVANE_CALL getNbCommands(void) {
    return static_cast<int32_t>(commandNames.size());
}

extern "C" SOLVANE_EXPORT int32_t SOLVANE_CALL getCommandName(int32_t index,
                                                              char name[QUELBIN_NAME_SIZE]) {
    if (name == nullptr || !validCommand(index))
        return 0;
    solvane::writeWesternName({name, QUELBIN_NAME_SIZE},
                              commandNames[static_cast<std::size_t>(index)]);
    return 1;
}

extern "C" SOLVANE_EXPORT int32_t SOLVANE_CALL addCommand(int32_t index) {
    if (!validCommand(index))
        return 0;
    library().acquisition.request(static_cast<Command>(index));
    return 1;
}

extern "C" SOLVANE_EXPORT int32_t SOLVANE_CALL getRawDataInfo(int32_t index, int32_t* header,
                                                              int32_t* byteCount) {
    if (header == nullptr || byteCount == nullptr)
        return 0;
    library().state.rawInfo(index, *header, *byteCount);
    return *byteCount > 0 ? 1 : 0;
}

extern "C" SOLVANE_EXPORT int32_t SOLVANE_CALL getStatusText(char text[QUELBIN_NAME_SIZE]) {
    if (text == nullptr)
        return 0;
    solvane::writeUtf8Line({text, QUELBIN_NAME_SIZE}, library().acquisition.problem());
    return 1;
}

extern "C" SOLVANE_EXPORT int32_t SOLVANE_CALL getRawData(int32_t index,
                                                          uint8_t data[QUELBIN_RAW_SIZE]) {
    if (data == nullptr)
        return 0;
    return static_cast<int32_t>(library().state.rawData(index, data));
}
