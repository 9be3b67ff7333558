#include "serialline.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>

namespace solvane::sigrok {

namespace {

// How often the loop looks at `goOn` while the line stays busy or quiet.
constexpr std::chrono::milliseconds step{50};

bool onTerminal(int fd, dev_t device) {
    struct stat status {};
    return ::fstat(fd, &status) == 0 && S_ISCHR(status.st_mode) && status.st_rdev == device;
}

// A descriptor of this process's own on the terminal `device`, or -1. Any
// descriptor open on a terminal reads the same input.
int heldDescriptor(dev_t device) {
    DIR* folder = ::opendir("/proc/self/fd");
    if (folder == nullptr)
        return -1;
    int held = -1;
    while (const dirent* entry = ::readdir(folder)) {
        char* end = nullptr;
        const long fd = std::strtol(entry->d_name, &end, 10);
        if (end == entry->d_name || *end != '\0' || fd == ::dirfd(folder) ||
            !onTerminal(static_cast<int>(fd), device))
            continue;
        // Checked again once duplicated: the number may have been reused.
        const int own = ::fcntl(static_cast<int>(fd), F_DUPFD_CLOEXEC, 0);
        if (own >= 0 && onTerminal(own, device) && ::isatty(own) == 1) {
            held = own;
            break;
        }
        if (own >= 0)
            ::close(own);
    }
    ::closedir(folder);
    return held;
}

} // namespace

void settleSerialLine(const std::string& node, std::chrono::milliseconds quiet,
                      std::chrono::milliseconds bound, const std::function<bool()>& goOn) {
    struct stat port {};
    if (::stat(node.c_str(), &port) != 0 || !S_ISCHR(port.st_mode))
        return;
    const int fd = heldDescriptor(port.st_rdev);
    if (fd < 0)
        return;
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    auto lastByte = start;
    std::array<char, 256> dropped{};
    while (goOn()) {
        const auto now = Clock::now();
        if (now - lastByte >= quiet || now - start >= bound)
            break;
        pollfd watched{fd, POLLIN, 0};
        if (::poll(&watched, 1, static_cast<int>(step.count())) < 0 && errno != EINTR)
            break;
        // Gone: the session that follows notices it.
        if ((watched.revents & (POLLERR | POLLHUP | POLLNVAL)) != 0)
            break;
        // Only what is there: the driver's descriptor may block.
        int waiting = 0;
        if ((watched.revents & POLLIN) == 0 || ::ioctl(fd, FIONREAD, &waiting) != 0 || waiting <= 0)
            continue;
        const auto count = std::min(static_cast<std::size_t>(waiting), dropped.size());
        if (::read(fd, dropped.data(), count) > 0)
            lastByte = Clock::now();
    }
    ::close(fd);
}

} // namespace solvane::sigrok
