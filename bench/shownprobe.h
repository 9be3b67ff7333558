// Shared by the two start-up executables: waits until a top-level window has
// been exposed and painted once, then prints one line the driver parses.
#pragma once

#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <cstring>
#include <ctime>

namespace benchprobe {

inline long long monotonicNs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<long long>(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
}

// A field of /proc/self/status in kB ("VmRSS", "VmHWM"), -1 if absent.
inline long statusKb(const char* field) {
    std::FILE* f = std::fopen("/proc/self/status", "r");
    if (!f)
        return -1;
    char line[256];
    long value = -1;
    const std::size_t n = std::strlen(field);
    while (std::fgets(line, sizeof line, f)) {
        if (std::strncmp(line, field, n) == 0 && line[n] == ':') {
            value = std::strtol(line + n + 1, nullptr, 10);
            break;
        }
    }
    std::fclose(f);
    return value;
}

// Stops the event loop once the window has received its first paint; the
// quit is queued so that the rest of that paint pass (the children) and the
// flush to the platform finish first.
class FirstPaint : public QObject {
public:
    explicit FirstPaint(QWidget* window) : m_window(window) { window->installEventFilter(this); }
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == m_window && event->type() == QEvent::Paint && !m_seen) {
            m_seen = true;
            QTimer::singleShot(0, qApp, [] { QApplication::quit(); });
        }
        return false;
    }

    bool seen() const { return m_seen; }

private:
    QWidget* m_window;
    bool m_seen = false;
};

// Shows the window, waits for its first paint and prints
// "shown_ns=<monotonic> main_ns=<monotonic> hwm_kb=<n> rss_kb=<n> painted=<0|1>".
inline int showAndReport(QWidget& window, long long mainNs) {
    FirstPaint probe(&window);
    window.show();
    QTimer::singleShot(10000, qApp, [] { QApplication::quit(); }); // never hang
    QApplication::exec();
    const long long shown = monotonicNs();
    // Widgets paint only into an exposed window, so a paint proves it shown.
    const bool exposed = probe.seen();
    std::printf("shown_ns=%lld main_ns=%lld hwm_kb=%ld rss_kb=%ld painted=%d\n", shown, mainNs,
                statusKb("VmHWM"), statusKb("VmRSS"), exposed ? 1 : 0);
    std::fflush(stdout);
    return exposed ? 0 : 1;
}

} // namespace benchprobe
