// The replay library's entry points: the recording SOLVANE_REPLAY_FILE
// names, played back as a module (replay.h). Its own commands pause,
// resume, restart and set the speed of the replay; the recorded module's
// commands are not offered, for nothing would run them.
#include "quelbin.h"

#include "localfiles.h"
#include "namebuffer.h"
#include "problemreporter.h"
#include "replay.h"

#include <algorithm>
#include <array>
#include <memory>
#include <string>

namespace {

using namespace solvane;
using namespace solvane::replay;

constexpr const char* fileVariable = "SOLVANE_REPLAY_FILE";

enum class Command { Pause, Resume, Restart, Speed1, Speed10 };
// In the order of Command; Windows-1252, as the name writer takes it.
constexpr std::array commandNames{
    "Pause",
    "Reprendre",
    "Rejouer depuis le d\xE9"
    "but",
    "Vitesse x1",
    "Vitesse x10",
};

// Made on the first call. Calls come from one thread at a time.
class Library {
public:
    Library() : m_problems("quelbin-replay") {
        const auto path = environmentValue(fileVariable);
        if (!path) {
            m_problems.report(std::string(fileVariable) +
                              " is not set: it must name the recording to replay");
            return;
        }
        m_replay = std::make_unique<Replay>(*path, m_problems);
    }

    Replay* replay() { return m_replay.get(); }

    std::string statusText() {
        if (!m_replay)
            return m_problems.current();
        return m_replay->statusText(Replay::Clock::now());
    }

private:
    ProblemReporter m_problems;
    std::unique_ptr<Replay> m_replay;
};

Library& library() {
    static Library instance;
    return instance;
}

} // namespace

extern "C" SOLVANE_EXPORT int32_t SOLVANE_CALL getNbAcqui(void) {
    Replay* replay = library().replay();
    if (replay == nullptr)
        return 0;
    replay->poll(Replay::Clock::now());
    return replay->connection();
}

extern "C" SOLVANE_EXPORT int32_t SOLVANE_CALL getNbDevices(void) {
    const Replay* replay = library().replay();
    return replay ? replay->sensorCount() : 0;
}

extern "C" SOLVANE_EXPORT int16_t SOLVANE_CALL getDevice(int32_t index,
                                                         char name[QUELBIN_NAME_SIZE],
                                                         int32_t* dataType) {
    const Replay* replay = library().replay();
    const Replay::Sensor* sensor = replay ? replay->sensor(index) : nullptr;
    if (sensor == nullptr || name == nullptr || dataType == nullptr)
        return 0;
    solvane::writeUtf8Name({name, QUELBIN_NAME_SIZE}, sensor->name);
    *dataType = sensor->type;
    return static_cast<int16_t>(sensor->answer);
}

extern "C" SOLVANE_EXPORT int32_t SOLVANE_CALL getNbCommands(void) {
    return static_cast<int32_t>(commandNames.size());
}

extern "C" SOLVANE_EXPORT int32_t SOLVANE_CALL getCommandName(int32_t index,
                                                              char name[QUELBIN_NAME_SIZE]) {
    if (name == nullptr || index < 0 || static_cast<std::size_t>(index) >= commandNames.size())
        return 0;
    solvane::writeWesternName({name, QUELBIN_NAME_SIZE},
                              commandNames[static_cast<std::size_t>(index)]);
    return 1;
}

extern "C" SOLVANE_EXPORT int32_t SOLVANE_CALL addCommand(int32_t index) {
    Replay* replay = library().replay();
    if (replay == nullptr || index < 0 || static_cast<std::size_t>(index) >= commandNames.size())
        return 0;
    const auto now = Replay::Clock::now();
    switch (static_cast<Command>(index)) {
    case Command::Pause:
        replay->pause(now);
        break;
    case Command::Resume:
        replay->resume(now);
        break;
    case Command::Restart:
        replay->restart(now);
        break;
    case Command::Speed1:
        replay->setSpeed(1, now);
        break;
    case Command::Speed10:
        replay->setSpeed(10, now);
        break;
    }
    return 1;
}

extern "C" SOLVANE_EXPORT int32_t SOLVANE_CALL getRawDataInfo(int32_t index, int32_t* header,
                                                              int32_t* byteCount) {
    if (header == nullptr || byteCount == nullptr)
        return 0;
    const Replay* replay = library().replay();
    const Replay::Data* data = replay ? replay->data(index) : nullptr;
    *header = data ? data->header : 0;
    *byteCount = data ? data->byteCount : 0;
    return data && data->byteCount > 0 ? 1 : 0;
}

extern "C" SOLVANE_EXPORT int32_t SOLVANE_CALL getRawData(int32_t index,
                                                          uint8_t data[QUELBIN_RAW_SIZE]) {
    const Replay* replay = library().replay();
    const Replay::Data* recorded = replay ? replay->data(index) : nullptr;
    if (recorded == nullptr || data == nullptr)
        return 0;
    std::copy(recorded->raw.begin(), recorded->raw.end(), data);
    return static_cast<int32_t>(recorded->raw.size());
}

extern "C" SOLVANE_EXPORT int32_t SOLVANE_CALL getStatusText(char text[QUELBIN_NAME_SIZE]) {
    if (text == nullptr)
        return 0;
    solvane::writeUtf8Line({text, QUELBIN_NAME_SIZE}, library().statusText());
    return 1;
}
