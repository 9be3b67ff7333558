// The recording and replay libraries' figures (bench/README.md): what the
// recording adds to the window's tick with 32 sensors recorded, on a quiet
// disk, on a disk kept busy with synced writes, and on a full one; the
// bytes an hour and the CPU of a recording at 5 polls a second; the replay's
// timing against the recorded times. The module is the scripted library,
// whose own cost is next to nothing; it is loaded by path, so the recording
// library loads the very same copy.
//   recording_bench SCRIPTED_LIBRARY RECORD_LIBRARY REPLAY_LIBRARY FOLDER [SECONDS]
#include "quelbin.h"

#include <dlfcn.h>
#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

constexpr int sensors = 32;

struct Functions {
    void* handle = nullptr;
    decltype(&::getNbAcqui) getNbAcqui = nullptr;
    decltype(&::getNbDevices) getNbDevices = nullptr;
    decltype(&::getRawDataInfo) getRawDataInfo = nullptr;
    decltype(&::getRawData) getRawData = nullptr;
};

template <typename F> F symbol(void* handle, const char* name) {
    void* address = dlsym(handle, name);
    if (address == nullptr) {
        std::fprintf(stderr, "missing %s\n", name);
        std::exit(1);
    }
    return reinterpret_cast<F>(address);
}

Functions open(const std::string& path) {
    Functions f;
    f.handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (f.handle == nullptr) {
        std::fprintf(stderr, "%s\n", dlerror());
        std::exit(1);
    }
    f.getNbAcqui = symbol<decltype(f.getNbAcqui)>(f.handle, "getNbAcqui");
    f.getNbDevices = symbol<decltype(f.getNbDevices)>(f.handle, "getNbDevices");
    f.getRawDataInfo = symbol<decltype(f.getRawDataInfo)>(f.handle, "getRawDataInfo");
    f.getRawData = symbol<decltype(f.getRawData)>(f.handle, "getRawData");
    return f;
}

// The window's tick: the connection, the count, the watched sensor's data.
double tickMicroseconds(const Functions& f, int watched) {
    std::int32_t header = 0;
    std::int32_t count = 0;
    std::uint8_t raw[QUELBIN_RAW_SIZE + 64];
    const auto start = Clock::now();
    f.getNbAcqui();
    f.getNbDevices();
    f.getRawDataInfo(watched, &header, &count);
    f.getRawData(watched, raw);
    return std::chrono::duration<double, std::micro>(Clock::now() - start).count();
}

double percentile(std::vector<double> values, double p) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1,
                           static_cast<std::size_t>(p * static_cast<double>(values.size())))];
}

// The scripted module: 32 Real4 sensors of 128 bytes, new values at each
// call of `fresh`, the header counting the polls.
struct Module {
    using SetNb = void (*)(std::int32_t);
    using SetDevice = void (*)(std::int32_t, const char*, std::int32_t, std::int32_t, std::int32_t,
                               std::int16_t);
    using SetRaw = void (*)(std::int32_t, std::int32_t, std::int32_t, const std::uint8_t*,
                            std::int32_t);
    using Clear = void (*)();
    SetRaw setRaw;
    Clear clearCalls;
    std::mt19937 random{42};

    explicit Module(void* handle)
        : setRaw(symbol<SetRaw>(handle, "script_setRawData")),
          clearCalls(symbol<Clear>(handle, "script_clearCalls")) {
        symbol<Clear>(handle, "script_reset")();
        symbol<SetNb>(handle, "script_setNbAcqui")(1);
        symbol<SetNb>(handle, "script_setNbDevices")(sensors);
        const auto setDevice = symbol<SetDevice>(handle, "script_setDevice");
        for (int i = 0; i < sensors; ++i) {
            const std::string name = "Senseur_" + std::to_string(i);
            setDevice(i, name.c_str(), static_cast<std::int32_t>(name.size()), 4, 1, 1);
        }
        fresh(0);
    }

    void fresh(std::int32_t poll) {
        std::uniform_real_distribution<float> value(-1000.0F, 1000.0F);
        for (int i = 0; i < sensors; ++i) {
            float floats[32];
            for (float& f : floats)
                f = value(random);
            setRaw(i, poll, QUELBIN_RAW_SIZE, reinterpret_cast<const std::uint8_t*>(floats),
                   QUELBIN_RAW_SIZE);
        }
        clearCalls(); // the scripted library's own log of calls
    }
};

void setVariables(const std::string& module, const fs::path& folder) {
    setenv("SOLVANE_RECORD_LIBRARY", module.c_str(), 1);
    setenv("SOLVANE_RECORD_DIR", folder.c_str(), 1);
    setenv("SOLVANE_RECORD_CSV", "semicolon", 1);
    setenv("SOLVANE_RECORD_NAME", "bench", 1);
}

std::uintmax_t folderBytes(const fs::path& folder) {
    std::uintmax_t bytes = 0;
    for (const auto& entry : fs::directory_iterator(folder))
        bytes += entry.file_size();
    return bytes;
}

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Ticks every 10 ms, each timed on the module's library and on the
// recording library over it: the added cost.
void tickCase(const char* name, const Functions& module, const Functions& recorder, Module& script,
              int ticks) {
    std::vector<double> own;
    std::vector<double> recorded;
    for (int tick = 0; tick < ticks; ++tick) {
        script.fresh(tick);
        own.push_back(tickMicroseconds(module, tick % sensors));
        recorded.push_back(tickMicroseconds(recorder, tick % sensors));
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    std::printf("%-34s own tick median %6.2f us p99 %7.2f | recorded median %6.2f us p99 %7.2f "
                "max %8.1f | added median %6.2f us\n",
                name, percentile(own, 0.5), percentile(own, 0.99), percentile(recorded, 0.5),
                percentile(recorded, 0.99), percentile(recorded, 1.0),
                percentile(recorded, 0.5) - percentile(own, 0.5));
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 5) {
        std::fprintf(stderr,
                     "usage: %s SCRIPTED_LIBRARY RECORD_LIBRARY REPLAY_LIBRARY FOLDER "
                     "[SECONDS]\n",
                     argv[0]);
        return 2;
    }
    const std::string scripted = argv[1];
    const fs::path folder = argv[4];
    const int seconds = argc > 5 ? std::atoi(argv[5]) : 20;
    fs::remove_all(folder);
    fs::create_directories(folder);
    std::signal(SIGXFSZ, SIG_IGN);

    const Functions module = open(scripted);
    Module script(module.handle);
    const int ticks = 3000;

    // 1. Quiet disk.
    setVariables(scripted, folder / "quiet");
    Functions recorder = open(argv[2]);
    tickCase("quiet disk, 32 sensors", module, recorder, script, ticks);
    dlclose(recorder.handle);

    // 2. A disk kept busy: another thread writes and syncs 1 MB blocks.
    setVariables(scripted, folder / "busy");
    std::atomic<bool> stop = false;
    std::thread writer([&] {
        const std::vector<char> block(1 << 20, 'x');
        std::ofstream file(folder / "filler", std::ios::binary);
        while (!stop) {
            file.write(block.data(), static_cast<std::streamsize>(block.size()));
            file.flush();
            std::FILE* sync = std::fopen((folder / "filler").c_str(), "ab");
            if (sync != nullptr) {
                fdatasync(fileno(sync));
                std::fclose(sync);
            }
            if (file.tellp() > (512 << 20))
                file.seekp(0);
        }
    });
    recorder = open(argv[2]);
    tickCase("busy disk (synced 1 MB writes)", module, recorder, script, ticks);
    dlclose(recorder.handle);
    stop = true;
    writer.join();
    fs::remove(folder / "filler");

    // 3. A full disk: files may not grow past 256 kB; the recording stops.
    setVariables(scripted, folder / "full");
    rlimit previous{};
    getrlimit(RLIMIT_FSIZE, &previous);
    rlimit small = previous;
    small.rlim_cur = 256 << 10;
    setrlimit(RLIMIT_FSIZE, &small);
    recorder = open(argv[2]);
    tickCase("full disk (stops within the run)", module, recorder, script, ticks);
    dlclose(recorder.handle);
    setrlimit(RLIMIT_FSIZE, &previous);

    // 4. Bytes and CPU at 5 polls a second, the window's fastest rate.
    const fs::path paced = folder / "paced";
    setVariables(scripted, paced);
    recorder = open(argv[2]);
    std::vector<double> pollTimes; // steady clock, ms from the first poll
    const auto cpuBefore = cpuSeconds();
    const auto start = Clock::now();
    for (int poll = 0; poll < 5 * seconds; ++poll) {
        std::this_thread::sleep_until(start + std::chrono::milliseconds(200 * poll));
        script.fresh(poll + 1);
        pollTimes.push_back(
            std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        tickMicroseconds(recorder, 0);
    }
    dlclose(recorder.handle); // the last rows written
    const double wall = std::chrono::duration<double>(Clock::now() - start).count();
    const double cpu = cpuSeconds() - cpuBefore;
    const auto bytes = folderBytes(paced);
    std::printf("5 polls/s, 32 sensors of 128 bytes: %.0f MB an hour (%ju bytes in %.1f s); "
                "CPU %.2f%% of one core (module and recording)\n",
                static_cast<double>(bytes) * 3600 / wall / 1e6, bytes, wall, 100 * cpu / wall);

    // 5. The replay against the recorded times: polled every 2 ms, each
    // recorded poll should show from halfway between it and the one before.
    const fs::path file = fs::directory_iterator(paced)->path();
    setenv("SOLVANE_REPLAY_FILE", file.c_str(), 1);
    const Functions replay = open(argv[3]);
    std::vector<double> errors;
    std::int32_t last = -1;
    const auto replayStart = Clock::now();
    while (true) {
        if (replay.getNbAcqui() <= 0 && last >= 0)
            break;
        std::int32_t header = 0;
        std::int32_t count = 0;
        replay.getRawDataInfo(0, &header, &count);
        const double now =
            std::chrono::duration<double, std::milli>(Clock::now() - replayStart).count();
        if (header != last && header >= 2 && static_cast<std::size_t>(header) <= pollTimes.size()) {
            const double due = (pollTimes[static_cast<std::size_t>(header) - 2] +
                                pollTimes[static_cast<std::size_t>(header) - 1]) /
                                   2.0 -
                               pollTimes.front();
            errors.push_back(now - due);
        }
        last = header;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    std::vector<double> absolute;
    for (const double e : errors)
        absolute.push_back(std::abs(e));
    std::printf("replay of %zu polls: shown against the recorded time, median %+.1f ms, "
                "|error| p99 %.1f ms, max %.1f ms\n",
                errors.size(), percentile(errors, 0.5), percentile(absolute, 0.99),
                percentile(absolute, 1.0));
    return 0;
}
