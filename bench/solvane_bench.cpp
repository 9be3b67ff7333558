// Measures what one timer tick of the real window costs, how resident memory
// behaves over many ticks, and how start-up compares with a bare Qt window.
// Runs over the scripted acquisition library; see README.md for the commands.
#include "operatorinput.h"
#include "scriptedlibrary.h"
#include "shownprobe.h"
#include "windowundertest.h"
#include "wireformat.h"

#include "acquisition/modquelbin.h"
#include "window/commandcombobox.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QListWidget>
#include <QStringList>

#include <linux/perf_event.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

extern char** environ;

// The one function callgrind collects in (--toggle-collect): its total
// instructions divided by the number of measured ticks is the cost of a tick.
extern "C" __attribute__((noinline)) void solvane_bench_measured_tick(WindowUnderTest* w) {
    w->tick();
    asm volatile("" ::: "memory"); // keep the call from being folded away
}

namespace {

// User-space instructions retired, if the machine exposes the counter.
class InstructionCounter {
public:
    InstructionCounter() {
        perf_event_attr attr{};
        attr.type = PERF_TYPE_HARDWARE;
        attr.size = sizeof attr;
        attr.config = PERF_COUNT_HW_INSTRUCTIONS;
        attr.disabled = 1;
        attr.exclude_kernel = 1;
        attr.exclude_hv = 1;
        m_fd = static_cast<int>(syscall(SYS_perf_event_open, &attr, 0, -1, -1, 0));
    }
    ~InstructionCounter() {
        if (m_fd >= 0)
            close(m_fd);
    }
    bool available() const { return m_fd >= 0; }
    void start() {
        if (m_fd >= 0) {
            ioctl(m_fd, PERF_EVENT_IOC_RESET, 0);
            ioctl(m_fd, PERF_EVENT_IOC_ENABLE, 0);
        }
    }
    long long stop() {
        if (m_fd < 0)
            return -1;
        ioctl(m_fd, PERF_EVENT_IOC_DISABLE, 0);
        long long value = 0;
        if (read(m_fd, &value, sizeof value) != sizeof value)
            return -1;
        return value;
    }

private:
    int m_fd = -1;
};

double median(std::vector<double> v) {
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    const std::size_t m = v.size() / 2;
    return v.size() % 2 ? v[m] : (v[m - 1] + v[m]) / 2;
}

double percentile(std::vector<double> v, double p) {
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[static_cast<std::size_t>(p * static_cast<double>(v.size() - 1))];
}

double microseconds(long long ns) {
    return static_cast<double>(ns) / 1000.0;
}

// Sixteen doubles, or any 128 bytes, as the module would send them.
QByteArray sixteenReal8() {
    QByteArray bytes;
    for (int i = 0; i < 16; ++i)
        bytes += real8Bytes(-1234.56789 + 97.3125 * i);
    return bytes;
}

QByteArray boolBytes() {
    QByteArray bytes(128, '\0');
    for (int i = 0; i < 128; i += 3)
        bytes[i] = 1;
    return bytes;
}

void settle() {
    QCoreApplication::processEvents();
}

void showAndSettle(WindowUnderTest& w) {
    w.window().show();
    for (int i = 0; i < 20; ++i)
        settle();
}

// The operator picks sensor `index` in the sensor list; nothing is worth
// measuring without it.
void watch(WindowUnderTest& w, int index) {
    if (!choose(w->cmbSourceSurveillée, index)) {
        std::fprintf(stderr, "solvane_bench: sensor %d could not be chosen\n", index);
        std::exit(1);
    }
}

void scriptOneSensor(ScriptedLibrary& lib, std::int32_t dataType, const QByteArray& bytes) {
    lib.reset();
    lib.setNbAcqui(1);
    lib.setNbDevices(1);
    lib.setNbCommands(0);
    lib.setDevice(0, QByteArrayLiteral("Capteur_0"), dataType);
    lib.setRawData(0, 17, 128, bytes);
}

struct Result {
    std::vector<double> tickUs;
    std::vector<double> afterUs; // the event processing the tick leaves behind (layout, paint)
    std::vector<double> instructions;
    int errors = 0;
};

void printHeader() {
    std::printf("%-44s %8s %10s %10s %10s %12s %8s\n", "case", "ticks", "median_us", "p90_us",
                "events_us", "instr/tick", "target");
}

void printRow(const char* name, const Result& r, double targetUs) {
    const double med = median(r.tickUs);
    char instr[32];
    if (r.instructions.empty())
        std::snprintf(instr, sizeof instr, "n/a");
    else
        std::snprintf(instr, sizeof instr, "%.0f", median(r.instructions));
    std::printf("%-44s %8zu %10.1f %10.1f %10.1f %12s %8s%s\n", name, r.tickUs.size(), med,
                percentile(r.tickUs, 0.9), median(r.afterUs), instr,
                med < targetUs ? "met" : "MISSED", r.errors ? "  (run-time errors!)" : "");
    std::fflush(stdout);
}

// One measured tick; `counter` may be null (callgrind mode counts by itself).
void measure(WindowUnderTest& w, Result& r, InstructionCounter* counter) {
    const bool counting = counter && counter->available();
    if (counting)
        counter->start();
    const long long t0 = benchprobe::monotonicNs();
    solvane_bench_measured_tick(&w);
    const long long t1 = benchprobe::monotonicNs();
    const long long instructions = counting ? counter->stop() : -1;
    settle();
    const long long t2 = benchprobe::monotonicNs();
    r.tickUs.push_back(microseconds(t1 - t0));
    r.afterUs.push_back(microseconds(t2 - t1));
    if (instructions >= 0)
        r.instructions.push_back(static_cast<double>(instructions));
}

struct Options {
    int ticks = 2000;
    int warmup = 200;
    InstructionCounter* counter = nullptr;
};

// Cases 1 and 2: a steady tick with the log held at `lines` lines: the line
// each tick adds is taken away again outside the timed region.
Result steadyTick(ScriptedLibrary& lib, std::int32_t dataType, const QByteArray& bytes, int lines,
                  const Options& o) {
    scriptOneSensor(lib, dataType, bytes);
    WindowUnderTest w(lib);
    showAndSettle(w);
    w.tick(); // the sensor list is built
    watch(w, 0);
    w.ticks(lines); // fills the log
    lib.clearCalls();
    settle();
    QListWidget* log = w->lstRawData;
    Result r;
    for (int i = 0; i < o.warmup + o.ticks; ++i) {
        if (i < o.warmup) {
            w.tick();
            settle();
        } else {
            measure(w, r, o.counter);
        }
        delete log->takeItem(0);
        lib.clearCalls(); // the script's own call log must not grow
        settle();
        if (log->count() != lines)
            ++r.errors;
    }
    r.errors += static_cast<int>(w.reports.reports.size() + w.reports.boxes.size());
    return r;
}

// Case 3: the tick that takes the log past 1000 lines and empties it. The
// log is refilled to 1000 lines outside the timed region.
Result emptyingTick(ScriptedLibrary& lib, const Options& o) {
    scriptOneSensor(lib, 5, sixteenReal8());
    WindowUnderTest w(lib);
    showAndSettle(w);
    w.tick();
    watch(w, 0);
    w.tick();
    QListWidget* log = w->lstRawData;
    const QStringList full(modQuelbin::maxLogLines, log->item(0)->text());
    Result r;
    for (int i = 0; i < o.warmup + o.ticks; ++i) {
        log->clear();
        log->addItems(full);
        lib.clearCalls();
        settle();
        if (i < o.warmup) {
            w.tick();
            settle();
        } else {
            measure(w, r, o.counter);
        }
        if (log->count() != 0)
            ++r.errors;
    }
    r.errors += static_cast<int>(w.reports.reports.size() + w.reports.boxes.size());
    return r;
}

// Case 4: ticks that rebuild 32 sensors and 256 commands. The counts go
// 31/255 on an untimed tick and 32/256 on the measured one, so that every
// measured tick empties full lists and fills them again.
Result rebuildTick(ScriptedLibrary& lib, const Options& o) {
    lib.reset();
    lib.setNbAcqui(1);
    for (int i = 0; i < 32; ++i)
        lib.setDevice(i, "Capteur_" + QByteArray::number(i), i % 6);
    for (int i = 0; i < 256; ++i)
        lib.setCommandName(i, "Commande numéro " + QByteArray::number(i));
    lib.setRawData(0, 17, 128, sixteenReal8());
    lib.setNbDevices(31);
    lib.setNbCommands(255);
    WindowUnderTest w(lib);
    showAndSettle(w);
    w.tick();
    watch(w, 0);
    QListWidget* log = w->lstRawData;
    Result r;
    const auto trim = [&] {
        while (log->count() > 10)
            delete log->takeItem(0);
        lib.clearCalls();
        settle();
    };
    for (int i = 0; i < o.warmup + o.ticks; ++i) {
        lib.setNbDevices(31);
        lib.setNbCommands(255);
        w.tick();
        trim();
        lib.setNbDevices(32);
        lib.setNbCommands(256);
        if (i < o.warmup) {
            w.tick();
            settle();
        } else {
            measure(w, r, o.counter);
        }
        if (w->cmbSourceSurveillée->count() != 32 || w->cmbCommandes->count() != 256)
            ++r.errors;
        trim();
    }
    r.errors += static_cast<int>(w.reports.reports.size() + w.reports.boxes.size());
    return r;
}

// Resident memory over case-1 ticks with the log left to grow and empty
// itself, as in the running program.
int residentMemory(ScriptedLibrary& lib) {
    scriptOneSensor(lib, 5, sixteenReal8());
    WindowUnderTest w(lib);
    showAndSettle(w);
    w.tick();
    watch(w, 0);
    lib.clearCalls();
    settle();
    long at1001 = 0;
    long at5000 = 0;
    std::printf("%8s %10s %10s %8s\n", "ticks", "VmRSS_kB", "VmHWM_kB", "log");
    for (int tick = 1; tick <= 20020; ++tick) {
        w.tick();
        lib.clearCalls();
        settle();
        const bool report = tick == 1000 || tick % 1001 == 0 || tick == 5000 || tick == 20020;
        if (report) {
            const long rss = benchprobe::statusKb("VmRSS");
            std::printf("%8d %10ld %10ld %8d\n", tick, rss, benchprobe::statusKb("VmHWM"),
                        static_cast<int>(w->lstRawData->count()));
            if (tick == 1001)
                at1001 = rss;
            if (tick == 5000)
                at5000 = rss;
        }
    }
    const long diff = at5000 - at1001;
    const int errors = static_cast<int>(w.reports.reports.size() + w.reports.boxes.size());
    std::printf("VmRSS after 5000 ticks - after 1001 ticks: %ld kB (target within 2048 kB): %s%s\n",
                diff, std::labs(diff) <= 2048 ? "met" : "MISSED",
                errors ? "  (run-time errors!)" : "");
    return std::labs(diff) <= 2048 && !errors ? 0 : 1;
}

struct StartupSample {
    double wallMs = -1; // from just before the spawn to the end of the first paint
    double mainMs = -1; // from main's first line to the same point
    long hwmKb = -1;
};

std::optional<StartupSample> startOnce(const std::string& program) {
    int out[2];
    if (pipe(out) != 0)
        return std::nullopt;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    char* argv[] = {const_cast<char*>(program.c_str()), nullptr};
    pid_t pid = 0;
    const long long spawned = benchprobe::monotonicNs();
    const int rc = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    if (rc != 0) {
        close(out[0]);
        return std::nullopt;
    }
    std::string text;
    char buffer[512];
    ssize_t n = 0;
    while ((n = read(out[0], buffer, sizeof buffer)) > 0)
        text.append(buffer, static_cast<std::size_t>(n));
    close(out[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    long long shown = 0;
    long long mainNs = 0;
    long hwm = 0;
    long rss = 0;
    int exposed = 0;
    if (std::sscanf(text.c_str(), "shown_ns=%lld main_ns=%lld hwm_kb=%ld rss_kb=%ld painted=%d",
                    &shown, &mainNs, &hwm, &rss, &exposed) != 5 ||
        !exposed)
        return std::nullopt;
    return StartupSample{static_cast<double>(shown - spawned) / 1e6,
                         static_cast<double>(shown - mainNs) / 1e6, hwm};
}

int startupComparison(int runs) {
    const std::string dir = QCoreApplication::applicationDirPath().toStdString();
    const std::string programs[2] = {dir + "/startup_solvane", dir + "/bare_window"};
    std::vector<double> wall[2], sinceMain[2], hwm[2];
    for (int i = 0; i < runs + 1; ++i) {
        for (int p = 0; p < 2; ++p) {
            // Alternated, so that both see the same state of the caches.
            const auto s = startOnce(programs[p]);
            if (!s) {
                std::fprintf(stderr, "start-up probe failed: %s\n", programs[p].c_str());
                return 2;
            }
            if (i == 0)
                continue; // the first start of each only warms the page cache
            wall[p].push_back(s->wallMs);
            sinceMain[p].push_back(s->mainMs);
            hwm[p].push_back(static_cast<double>(s->hwmKb));
        }
    }
    std::printf("%-16s %6s %14s %16s %12s\n", "program", "runs", "wall_ms(med)", "since_main_ms",
                "VmHWM_kB");
    const char* names[2] = {"startup_solvane", "bare_window"};
    for (int p = 0; p < 2; ++p)
        std::printf("%-16s %6d %14.1f %16.1f %12.0f\n", names[p], runs, median(wall[p]),
                    median(sinceMain[p]), median(hwm[p]));
    const double wallRatio = median(wall[0]) / median(wall[1]);
    const double hwmRatio = median(hwm[0]) / median(hwm[1]);
    std::printf("ratio wall %.3f (target <= 1.3): %s\n", wallRatio,
                wallRatio <= 1.3 ? "met" : "MISSED");
    std::printf("ratio VmHWM %.3f (target <= 1.3): %s\n", hwmRatio,
                hwmRatio <= 1.3 ? "met" : "MISSED");
    return wallRatio <= 1.3 && hwmRatio <= 1.3 ? 0 : 1;
}

void usage() {
    std::fprintf(stderr,
                 "usage: solvane_bench                      all four tick cases\n"
                 "       solvane_bench --case K [--ticks N] [--lines L] [--warmup W]\n"
                 "                                          one case (K = 1..4), for callgrind\n"
                 "       solvane_bench --rss                resident memory over 20020 ticks\n"
                 "       solvane_bench --startup [RUNS]     start-up against bare_window\n");
}

int runCase(ScriptedLibrary& lib, int k, int lines, const Options& o) {
    Result r;
    char name[64];
    switch (k) {
    case 1:
        r = steadyTick(lib, 5, sixteenReal8(), lines, o);
        std::snprintf(name, sizeof name, "1 Real8 16 elements, log at %d lines", lines);
        break;
    case 2:
        r = steadyTick(lib, 0, boolBytes(), lines, o);
        std::snprintf(name, sizeof name, "2 Bool 128 elements, log at %d lines", lines);
        break;
    case 3:
        r = emptyingTick(lib, o);
        std::snprintf(name, sizeof name, "3 log passes 1000 lines, emptied");
        break;
    case 4:
        r = rebuildTick(lib, o);
        std::snprintf(name, sizeof name, "4 rebuild 32 sensors + 256 commands");
        break;
    default:
        usage();
        return 2;
    }
    printRow(name, r, k == 4 ? 2000.0 : 100.0);
    return r.errors ? 1 : 0;
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments().mid(1);
    const auto value = [&](const QString& flag, int fallback) {
        const auto at = args.indexOf(flag);
        return at >= 0 && at + 1 < args.size() ? args[at + 1].toInt() : fallback;
    };

    if (args.contains(QStringLiteral("--startup")))
        return startupComparison(value(QStringLiteral("--startup"), 20) > 0
                                     ? value(QStringLiteral("--startup"), 20)
                                     : 20);
    if (args.contains(QStringLiteral("--help")) || args.contains(QStringLiteral("-h"))) {
        usage();
        return 0;
    }

    ScriptedLibrary lib;
    if (args.contains(QStringLiteral("--rss")))
        return residentMemory(lib);

    InstructionCounter counter;
    Options o;
    o.ticks = value(QStringLiteral("--ticks"), 2000);
    o.warmup = value(QStringLiteral("--warmup"), 200);
    if (args.contains(QStringLiteral("--case"))) {
        // Under callgrind: no counter, callgrind counts the measured ticks.
        const int k = value(QStringLiteral("--case"), 0);
        printHeader();
        return runCase(lib, k, value(QStringLiteral("--lines"), 999), o);
    }

    o.counter = &counter;
    std::printf("instruction counter: %s\n",
                counter.available() ? "perf_event_open" : "n/a (no hardware counter here)");
    printHeader();
    int failures = 0;
    failures += runCase(lib, 1, 999, o);
    failures += runCase(lib, 1, 10, o);
    failures += runCase(lib, 2, 999, o);
    failures += runCase(lib, 3, 0, o);
    failures += runCase(lib, 4, 0, o);
    return failures ? 1 : 0;
}
