// How long each of the eight functions of the libsigrok acquisition library
// takes, called as Solvane calls them, while the device acquires (libsigrok's
// demo device at its default 200 kHz) and while a device is being opened (an
// instrument on a loopback TCP port that never answers, so libsigrok's scan
// waits on it). See README.md for the command and the recorded figures.
#include "quelbinfunctions.h"
#include "silentinstrument.h"

#include <dlfcn.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr std::array functionNames{"getNbAcqui",     "getNbDevices",   "getDevice",
                                   "getNbCommands",  "getCommandName", "addCommand",
                                   "getRawDataInfo", "getRawData"};

struct Library : QuelbinFunctions {
    void* handle = nullptr;
};

// Loaded with SOLVANE_SIGROK_DEVICE set to `device` and no settings.
Library load(const char* path, const char* device) {
    setenv("SOLVANE_SIGROK_DEVICE", device, 1);
    unsetenv("SOLVANE_SIGROK_CONFIG");
    Library library;
    library.handle = dlopen(path, RTLD_NOW);
    if (library.handle == nullptr) {
        std::fprintf(stderr, "sigrok_bench: %s\n", dlerror());
        std::exit(1);
    }
    if (const char* missing =
            library.resolve([&](const char* name) { return dlsym(library.handle, name); })) {
        std::fprintf(stderr, "sigrok_bench: %s missing\n", missing);
        std::exit(1);
    }
    return library;
}

// Milliseconds that dlclose takes: the library's thread stops and the device closes.
double unload(Library& library) {
    const auto start = Clock::now();
    dlclose(library.handle);
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

template <typename Until> bool waitFor(Until until, std::chrono::milliseconds limit) {
    const auto end = Clock::now() + limit;
    while (!until()) {
        if (Clock::now() > end)
            return false;
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

// Nanoseconds of each call, by function.
using Samples = std::array<std::vector<double>, functionNames.size()>;

template <typename Call> void timed(std::vector<double>& samples, Call call) {
    const auto start = Clock::now();
    call();
    samples.push_back(std::chrono::duration<double, std::nano>(Clock::now() - start).count());
}

// One round: each function called once, as a tick of the window with a
// sensor watched does (and a command sent), on `sensor`.
void callEachOnce(Library& library, int i, std::int32_t sensor, Samples& samples) {
    std::array<char, QUELBIN_NAME_SIZE> name{};
    std::array<std::uint8_t, QUELBIN_RAW_SIZE> raw{};
    std::int32_t type = 0;
    std::int32_t header = 0;
    std::int32_t count = 0;
    std::int32_t sensors = 0;
    timed(samples[0], [&] { library.getNbAcqui(); });
    timed(samples[1], [&] { sensors = library.getNbDevices(); });
    timed(samples[2],
          [&] { library.getDevice(sensors > 0 ? i % sensors : 0, name.data(), &type); });
    timed(samples[3], [&] { library.getNbCommands(); });
    timed(samples[4], [&] { library.getCommandName(i % 3, name.data()); });
    // "Démarrer l'acquisition" while it runs: a request that changes nothing.
    timed(samples[5], [&] { library.addCommand(0); });
    timed(samples[6], [&] { library.getRawDataInfo(sensor, &header, &count); });
    timed(samples[7], [&] { library.getRawData(sensor, raw.data()); });
}

double percentile(std::vector<double> sorted, double fraction) {
    std::sort(sorted.begin(), sorted.end());
    const auto rank =
        static_cast<std::size_t>(std::ceil(fraction * static_cast<double>(sorted.size())));
    return sorted[std::max<std::size_t>(rank, 1) - 1];
}

void printTable(const char* title, const Samples& samples) {
    std::printf("\n%s\n%-16s %8s %8s %8s %8s\n", title, "function", "calls", "p50 us", "p99 us",
                "max us");
    std::vector<double> all;
    for (std::size_t f = 0; f < samples.size(); ++f) {
        const std::vector<double>& s = samples[f];
        all.insert(all.end(), s.begin(), s.end());
        std::printf("%-16s %8zu %8.2f %8.2f %8.1f\n", functionNames[f], s.size(),
                    percentile(s, 0.5) / 1000, percentile(s, 0.99) / 1000,
                    percentile(s, 1.0) / 1000);
    }
    std::printf("%-16s %8zu %8.2f %8.2f %8.1f\n", "all eight", all.size(),
                percentile(all, 0.5) / 1000, percentile(all, 0.99) / 1000,
                percentile(all, 1.0) / 1000);
}

void acquiring(const char* path, int rounds, std::chrono::microseconds pause) {
    Library library = load(path, "demo");
    const auto opening = Clock::now();
    if (!waitFor([&] { return library.getNbAcqui() > 0; }, 10s)) {
        std::fprintf(stderr, "sigrok_bench: the demo device did not open\n");
        std::exit(1);
    }
    std::printf("demo device open after %.1f ms\n",
                std::chrono::duration<double, std::milli>(Clock::now() - opening).count());
    std::this_thread::sleep_for(500ms);

    Samples samples;
    std::int32_t firstHeader = 0;
    std::int32_t count = 0;
    library.getRawDataInfo(8, &firstHeader, &count);
    const auto start = Clock::now();
    for (int i = 0; i < rounds; ++i) {
        // Logic channel D0 and analog channel A0 in turn.
        callEachOnce(library, i, i % 2 == 0 ? 0 : 8, samples);
        std::this_thread::sleep_for(pause);
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    std::int32_t lastHeader = 0;
    library.getNbAcqui(); // a poll takes the module's state
    library.getRawDataInfo(8, &lastHeader, &count);
    char title[160];
    std::snprintf(title, sizeof title,
                  "While acquiring (demo, 13 channels, 200 kHz): %d rounds in %.2f s, "
                  "A0 advanced by %d samples",
                  rounds, seconds, lastHeader - firstHeader);
    printTable(title, samples);
    std::printf("unload while acquiring: %.1f ms\n", unload(library));
}

void opening(const char* path, int rounds, std::chrono::microseconds pause) {
    SilentInstrument instrument;
    const std::string device = instrument.device();
    Library library = load(path, device.c_str());
    library.getNbAcqui(); // the first call starts the library's thread
    if (!instrument.accept(10'000)) {
        std::fprintf(stderr, "sigrok_bench: libsigrok never connected to %s\n", device.c_str());
        std::exit(1);
    }

    Samples samples;
    bool connected = false;
    const auto start = Clock::now();
    for (int i = 0; i < rounds; ++i) {
        callEachOnce(library, i, 0, samples);
        connected = connected || library.getNbAcqui() > 0;
        std::this_thread::sleep_for(pause);
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    // The scan still waits for the instrument's answer: every call above
    // came while the device was being opened.
    const bool stillOpening = instrument.waiting();
    char title[200];
    std::snprintf(
        title, sizeof title,
        "While lost, opening (%s, no answer): %d rounds in %.2f s, scan still waiting: %s, "
        "module read as connected: %s",
        device.c_str(), rounds, seconds, stillOpening ? "yes" : "NO", connected ? "YES" : "no");
    printTable(title, samples);
    std::printf("unload while the scan still waits: %.1f ms\n", unload(library));
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s LIBQUELBIN [ROUNDS] [PAUSE_US]\n", argv[0]);
        return 2;
    }
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 10'000;
    const std::chrono::microseconds pause(argc > 3 ? std::atoi(argv[3]) : 100);
    std::printf("%d rounds of the eight functions (%d calls) per case, %lld us apart\n", rounds,
                rounds * 8, static_cast<long long>(pause.count()));
    acquiring(argv[1], rounds, pause);
    opening(argv[1], rounds, pause);
    return 0;
}
