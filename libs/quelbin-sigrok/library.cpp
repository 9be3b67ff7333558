#include "library.h"

#include "settings.h"

#include <cstdlib>
#include <mutex>
#include <optional>
#include <string>
#include <utility>

namespace solvane::sigrok {

namespace {

std::optional<std::string> environmentValue(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::optional<std::string>(value) : std::nullopt;
}

std::mutex currentMutex;
Library* current = nullptr;

// Libraries whose thread outlived their release, kept for it to the end.
struct Retired {
    Library* library;
    Retired* next;
};
Retired* retired = nullptr;

} // namespace

Library::Library()
    : acquisition(state, environmentValue(deviceVariable), environmentValue(configVariable)) {}

Library& library() {
    std::lock_guard lock(currentMutex);
    if (current == nullptr)
        current = new Library;
    return *current;
}

void releaseLibrary(std::chrono::milliseconds bound) {
    Library* ending = nullptr;
    {
        std::lock_guard lock(currentMutex);
        ending = std::exchange(current, nullptr);
    }
    if (ending == nullptr)
        return;
    if (ending->acquisition.finish(bound)) {
        delete ending;
        return;
    }
    // Its thread still runs on it: never freed, reachable for leak checkers.
    retired = new Retired{ending, retired};
}

} // namespace solvane::sigrok
