// The scripted acquisition library: every answer comes from the test, every
// call is recorded.
#include "script_control.h"

#include <quelbin.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<char>;
using Buffer = std::array<char, QUELBIN_NAME_SIZE>;

struct Device {
    std::optional<Bytes> name;
    int32_t dataType = 0;
    bool writesType = true;
    int16_t result = 1;
};

struct RawData {
    int32_t header = 0;
    int32_t byteCount = 0;
    std::vector<uint8_t> bytes;
};

struct Call {
    std::string text;
    std::optional<Buffer> buffer;
};

struct Script {
    int32_t nbAcqui = 0;
    int32_t nbDevices = 0;
    int32_t nbCommands = 0;
    std::deque<int32_t> pushedDevices;
    std::deque<int32_t> pushedCommands;
    std::map<int32_t, Device> devices;
    std::map<int32_t, std::optional<Bytes>> commandNames;
    std::map<int32_t, RawData> rawData;
    std::optional<Bytes> statusText;
    std::vector<Call> calls;
};

Script& script() {
    static Script s;
    return s;
}

void record(std::string text, const char* buffer = nullptr) {
    Call call{std::move(text), std::nullopt};
    if (buffer) {
        Buffer copy;
        std::memcpy(copy.data(), buffer, copy.size());
        call.buffer = copy;
    }
    script().calls.push_back(std::move(call));
}

std::string withArgument(const char* function, int32_t index) {
    return std::string(function) + "(" + std::to_string(index) + ")";
}

int32_t nextAnswer(std::deque<int32_t>& pushed, int32_t steady) {
    if (pushed.empty())
        return steady;
    const int32_t value = pushed.front();
    pushed.pop_front();
    return value;
}

std::optional<Bytes> nameBytes(const char* name, int32_t length) {
    if (length < 0)
        return std::nullopt;
    Bytes bytes(name, name + std::min<int32_t>(length, QUELBIN_NAME_SIZE));
    if (bytes.size() < QUELBIN_NAME_SIZE)
        bytes.push_back('\0');
    return bytes;
}

void writeName(const std::optional<Bytes>& name, char* buffer) {
    if (name)
        std::memcpy(buffer, name->data(), name->size());
}

} // namespace

extern "C" {

SOLVANE_EXPORT void script_reset(void) {
    script() = Script{};
}
SOLVANE_EXPORT void script_setNbAcqui(int32_t value) {
    script().nbAcqui = value;
}
SOLVANE_EXPORT void script_setNbDevices(int32_t value) {
    script().nbDevices = value;
}
SOLVANE_EXPORT void script_setNbCommands(int32_t value) {
    script().nbCommands = value;
}
SOLVANE_EXPORT void script_pushNbDevices(int32_t value) {
    script().pushedDevices.push_back(value);
}
SOLVANE_EXPORT void script_pushNbCommands(int32_t value) {
    script().pushedCommands.push_back(value);
}

SOLVANE_EXPORT void script_setDevice(int32_t index, const char* name, int32_t length,
                                     int32_t dataType, int32_t writesType, int16_t result) {
    script().devices[index] = Device{nameBytes(name, length), dataType, writesType != 0, result};
}

SOLVANE_EXPORT void script_setCommandName(int32_t index, const char* name, int32_t length) {
    script().commandNames[index] = nameBytes(name, length);
}

SOLVANE_EXPORT void script_setRawData(int32_t index, int32_t header, int32_t byteCount,
                                      const uint8_t* bytes, int32_t length) {
    const auto kept = std::clamp<int32_t>(length, 0, QUELBIN_RAW_SIZE);
    script().rawData[index] = RawData{header, byteCount, std::vector<uint8_t>(bytes, bytes + kept)};
}

SOLVANE_EXPORT void script_forgetRawData(int32_t index) {
    script().rawData.erase(index);
}

SOLVANE_EXPORT void script_setStatusText(const char* text, int32_t length) {
    script().statusText = nameBytes(text, length);
}

SOLVANE_EXPORT int32_t script_callCount(void) {
    return static_cast<int32_t>(script().calls.size());
}

SOLVANE_EXPORT const char* script_call(int32_t i) {
    return script().calls.at(static_cast<size_t>(i)).text.c_str();
}

SOLVANE_EXPORT const char* script_callBuffer(int32_t i) {
    const auto& buffer = script().calls.at(static_cast<size_t>(i)).buffer;
    return buffer ? buffer->data() : nullptr;
}

SOLVANE_EXPORT void script_clearCalls(void) {
    script().calls.clear();
}

SOLVANE_EXPORT int32_t SOLVANE_CALL getNbAcqui(void) {
    record("getNbAcqui()");
    return script().nbAcqui;
}

SOLVANE_EXPORT int32_t SOLVANE_CALL getNbDevices(void) {
    record("getNbDevices()");
    return nextAnswer(script().pushedDevices, script().nbDevices);
}

SOLVANE_EXPORT int16_t SOLVANE_CALL getDevice(int32_t index, char name[QUELBIN_NAME_SIZE],
                                              int32_t* dataType) {
    record(withArgument("getDevice", index), name);
    const auto found = script().devices.find(index);
    if (found == script().devices.end())
        return 0;
    writeName(found->second.name, name);
    if (found->second.writesType)
        *dataType = found->second.dataType;
    return found->second.result;
}

SOLVANE_EXPORT int32_t SOLVANE_CALL getNbCommands(void) {
    record("getNbCommands()");
    return nextAnswer(script().pushedCommands, script().nbCommands);
}

SOLVANE_EXPORT int32_t SOLVANE_CALL getCommandName(int32_t index, char name[QUELBIN_NAME_SIZE]) {
    record(withArgument("getCommandName", index), name);
    const auto found = script().commandNames.find(index);
    if (found != script().commandNames.end())
        writeName(found->second, name);
    return 1;
}

SOLVANE_EXPORT int32_t SOLVANE_CALL addCommand(int32_t index) {
    record(withArgument("addCommand", index));
    return 1;
}

SOLVANE_EXPORT int32_t SOLVANE_CALL getRawDataInfo(int32_t index, int32_t* header,
                                                   int32_t* byteCount) {
    record(withArgument("getRawDataInfo", index));
    const auto found = script().rawData.find(index);
    if (found != script().rawData.end()) {
        *header = found->second.header;
        *byteCount = found->second.byteCount;
    }
    return 1;
}

SOLVANE_EXPORT int32_t SOLVANE_CALL getRawData(int32_t index, uint8_t data[QUELBIN_RAW_SIZE]) {
    record(withArgument("getRawData", index));
    const auto found = script().rawData.find(index);
    if (found != script().rawData.end())
        std::copy(found->second.bytes.begin(), found->second.bytes.end(), data);
    return 1;
}

SOLVANE_EXPORT int32_t SOLVANE_CALL getStatusText(char text[QUELBIN_NAME_SIZE]) {
    record("getStatusText()", text);
    writeName(script().statusText, text);
    return 1;
}

} // extern "C"
