// The recording library's entry points. Each passes the call on to the
// module's own library (SOLVANE_RECORD_LIBRARY), synchronously on the
// reader's thread, and answers what the module answered; what the module
// said is recorded on the way (recorder.h) into the folder
// SOLVANE_RECORD_DIR, written on a thread of its own (writer.h).
#include "quelbin.h"

#include "localfiles.h"
#include "modulelibrary.h"
#include "namebuffer.h"
#include "namecodepage.h"
#include "printabletext.h"
#include "problemreporter.h"
#include "readingqueue.h"
#include "recorder.h"
#include "sensorlist.h"
#include "staysloaded.h"
#include "userformat.h"
#include "writer.h"

#include <algorithm>
#include <array>
#include <memory>
#include <optional>
#include <string>

namespace {

using namespace solvane;
using namespace solvane::record;

constexpr const char* libraryVariable = "SOLVANE_RECORD_LIBRARY";
constexpr const char* folderVariable = "SOLVANE_RECORD_DIR";
constexpr const char* sensorsVariable = "SOLVANE_RECORD_SENSORS";
constexpr const char* formatVariable = "SOLVANE_RECORD_CSV";
constexpr const char* nameVariable = "SOLVANE_RECORD_NAME";

// Readings the reader's thread may queue ahead of the disk: 25 s of 32
// sensors polled 5 times a second.
constexpr std::size_t queueCapacity = 4096;

// The module's name in the files' names: letters, digits, '.', '-', '_'.
std::string fileNamePart(std::optional<std::string> name) {
    std::string part = name.value_or("module");
    for (char& c : part) {
        const bool kept = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                          (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '_';
        if (!kept)
            c = '_';
    }
    return part.substr(0, 64);
}

// Made on the first call; gone, its last rows written, when the library is
// unloaded or the process ends.
class Library {
public:
    Library() : m_problems("quelbin-record") {
        const LoadedModule loaded = loadModule(environmentValue(libraryVariable), libraryVariable);
        if (!loaded.functions) {
            m_problems.report(loaded.problem);
            return;
        }
        m_module = *loaded.functions;
        const auto folder = environmentValue(folderVariable);
        if (!folder) {
            // The module is watched all the same.
            m_problems.report(std::string(folderVariable) +
                              " is not set: nothing is recorded; it must name the folder of the "
                              "recordings");
            return;
        }
        WriterSettings settings;
        settings.folder = *folder;
        settings.module = fileNamePart(environmentValue(nameVariable));
        settings.format = format();
        m_active = true;
        m_queue = std::make_unique<ReadingQueue>(queueCapacity);
        m_recorder = std::make_unique<Recorder>(*m_module, *m_queue, chosenSensors(), m_active);
        stayLoaded();
        m_writer = std::make_unique<Writer>(settings, *m_queue, m_problems, m_active);
    }

    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;

    const QuelbinFunctions* module() const { return m_module ? &*m_module : nullptr; }
    Recorder* recorder() { return m_recorder.get(); }

    // The recording's problem first, then what the module says.
    int32_t statusText(char* text) {
        const std::string problem = m_problems.current();
        if (problem.empty() && m_module && m_module->getStatusText)
            return m_module->getStatusText(text);
        std::string line = problem;
        if (m_module && m_module->getStatusText) {
            std::array<char, QUELBIN_NAME_SIZE + 8192> said{};
            m_module->getStatusText(said.data());
            const auto end = std::find(said.begin(), said.begin() + QUELBIN_NAME_SIZE, '\0');
            if (end != said.begin())
                line += "; " + nameCodePageToUtf8(std::string_view(
                                   said.data(), static_cast<std::size_t>(end - said.begin())));
        }
        writeUtf8Line({text, QUELBIN_NAME_SIZE}, line);
        return 1;
    }

    // The process ends on Windows: the writer's thread is gone already.
    void finishWithoutThread() {
        if (m_writer)
            m_writer->finishWithoutThread();
    }

private:
    std::optional<std::set<int>> chosenSensors() {
        const auto text = environmentValue(sensorsVariable);
        if (!text)
            return std::nullopt;
        auto chosen = parseSensorList(*text);
        if (!chosen)
            m_problems.event("settings", std::string(sensorsVariable) + "=" + quoted(*text) +
                                             ": indices 0 to 31, e.g. 0,2,5-7; every sensor is "
                                             "recorded");
        return chosen;
    }

    recording::CsvFormat format() {
        const auto text = environmentValue(formatVariable);
        if (text == "semicolon")
            return recording::semicolonFormat;
        if (text == "rfc4180")
            return recording::commaFormat;
        if (text && text != "locale")
            m_problems.event("settings", std::string(formatVariable) + "=" + quoted(*text) +
                                             ": 'locale', 'semicolon' or 'rfc4180'; the "
                                             "session's language decides");
        return userFormat();
    }

    ProblemReporter m_problems;
    std::optional<QuelbinFunctions> m_module;
    std::atomic<bool> m_active = false;
    std::unique_ptr<ReadingQueue> m_queue;
    std::unique_ptr<Recorder> m_recorder;
    // Last, so that it goes first: its thread reads the queue.
    std::unique_ptr<Writer> m_writer;
};

void release(Library* instance) {
    if (tearDownAtUnload())
        delete instance;
    else
        instance->finishWithoutThread();
}

Library& library() {
    static const std::unique_ptr<Library, void (*)(Library*)> instance(new Library, release);
    return *instance;
}

} // namespace

extern "C" SOLVANE_EXPORT int32_t SOLVANE_CALL getNbAcqui(void) {
    Library& recording = library();
    if (!recording.module())
        return 0;
    const int32_t answer = recording.module()->getNbAcqui();
    if (recording.recorder())
        recording.recorder()->polled(answer);
    return answer;
}

extern "C" SOLVANE_EXPORT int32_t SOLVANE_CALL getNbDevices(void) {
    const QuelbinFunctions* module = library().module();
    return module ? module->getNbDevices() : 0;
}

extern "C" SOLVANE_EXPORT int16_t SOLVANE_CALL getDevice(int32_t index,
                                                         char name[QUELBIN_NAME_SIZE],
                                                         int32_t* dataType) {
    const QuelbinFunctions* module = library().module();
    return module ? module->getDevice(index, name, dataType) : int16_t{0};
}

extern "C" SOLVANE_EXPORT int32_t SOLVANE_CALL getNbCommands(void) {
    const QuelbinFunctions* module = library().module();
    return module ? module->getNbCommands() : 0;
}

extern "C" SOLVANE_EXPORT int32_t SOLVANE_CALL getCommandName(int32_t index,
                                                              char name[QUELBIN_NAME_SIZE]) {
    const QuelbinFunctions* module = library().module();
    return module ? module->getCommandName(index, name) : 0;
}

extern "C" SOLVANE_EXPORT int32_t SOLVANE_CALL addCommand(int32_t index) {
    Library& recording = library();
    if (!recording.module())
        return 0;
    const int32_t result = recording.module()->addCommand(index);
    if (recording.recorder())
        recording.recorder()->commandSent(index, result);
    return result;
}

extern "C" SOLVANE_EXPORT int32_t SOLVANE_CALL getRawDataInfo(int32_t index, int32_t* header,
                                                              int32_t* byteCount) {
    Library& recording = library();
    if (!recording.module())
        return 0;
    const int32_t result = recording.module()->getRawDataInfo(index, header, byteCount);
    if (recording.recorder() && header != nullptr && byteCount != nullptr)
        recording.recorder()->rawInfoRead(index, *header, *byteCount);
    return result;
}

extern "C" SOLVANE_EXPORT int32_t SOLVANE_CALL getRawData(int32_t index,
                                                          uint8_t data[QUELBIN_RAW_SIZE]) {
    Library& recording = library();
    if (!recording.module())
        return 0;
    const int32_t result = recording.module()->getRawData(index, data);
    if (recording.recorder())
        recording.recorder()->rawDataRead(index, data);
    return result;
}

extern "C" SOLVANE_EXPORT int32_t SOLVANE_CALL getStatusText(char text[QUELBIN_NAME_SIZE]) {
    if (text == nullptr)
        return 0;
    return library().statusText(text);
}
