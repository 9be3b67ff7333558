// Pseudo-terminals presented as serial ports, preloaded into the tests that
// emulate serial meters. The port /dev/ttySLV<N> exists while the folder
// named by SOLVANE_FAKE_TTY_DIR holds a symlink ttySLV<N> to a pty's slave.
// libserialport wants more of a port than a pty offers: an entry under
// /sys/class/tty, modem lines and 7-bit frames; these are made up here.
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>

extern "C" {
// Gone from glibc's headers, still what Debian's libserialport calls.
int __lxstat(int version, const char* path, struct stat* buffer);
int __open_2(const char* path, int flags);
}

namespace {

constexpr std::string_view portPrefix = "/dev/ttySLV";
constexpr std::string_view sysPrefix = "/sys/class/tty/ttySLV";

template <typename Function> Function next(const char* name) {
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

enum class Entry { none, port, sys };

// Which fake entry a path names, and the symlink that stands for its port.
struct Fake {
    Entry entry = Entry::none;
    std::string link;
    std::string number;
};

Fake fake(const char* path) {
    const char* folder = std::getenv("SOLVANE_FAKE_TTY_DIR");
    if (path == nullptr || folder == nullptr)
        return {};
    const std::string_view name(path);
    for (const auto& [prefix, entry] :
         {std::pair{portPrefix, Entry::port}, std::pair{sysPrefix, Entry::sys}}) {
        if (name.size() > prefix.size() && name.starts_with(prefix) &&
            name.find('/', prefix.size()) == std::string_view::npos) {
            std::string number(name.substr(prefix.size()));
            return {entry, std::string(folder) + "/ttySLV" + number, number};
        }
    }
    return {};
}

int realStat(const char* path, struct stat* buffer) {
    static const auto real = next<int (*)(const char*, struct stat*)>("stat");
    return real(path, buffer);
}

// stat() (or lstat(), `link`) of a fake entry, failing with ENOENT once the
// port is gone; `real` answers for any other path.
template <typename Real> int fakeStat(const char* path, struct stat* buffer, bool link, Real real) {
    const Fake found = fake(path);
    if (found.entry == Entry::none)
        return real();
    if (realStat(found.link.c_str(), buffer) != 0)
        return -1;
    if (found.entry == Entry::sys) {
        *buffer = {};
        buffer->st_mode = link ? S_IFLNK | 0777 : S_IFDIR | 0755;
    }
    return 0;
}

// The descriptors opened on a fake port, and their modem lines.
constexpr int maxDescriptors = 1024;
std::array<std::atomic<bool>, maxDescriptors> ours{};
std::array<std::atomic<int>, maxDescriptors> modemLines{};

bool isOurs(int fd) {
    return fd >= 0 && fd < maxDescriptors && ours[static_cast<std::size_t>(fd)];
}

template <typename Open> int fakeOpen(const char* path, Open open) {
    const Fake found = fake(path);
    if (found.entry != Entry::port)
        return open(path);
    const int fd = open(found.link.c_str());
    if (fd >= 0 && fd < maxDescriptors) {
        modemLines[static_cast<std::size_t>(fd)] = TIOCM_DSR | TIOCM_CTS | TIOCM_CD;
        ours[static_cast<std::size_t>(fd)] = true;
    }
    return fd;
}

} // namespace

extern "C" {

int stat(const char* path, struct stat* buffer) noexcept {
    return fakeStat(path, buffer, false, [&] { return realStat(path, buffer); });
}

int lstat(const char* path, struct stat* buffer) noexcept {
    static const auto real = next<int (*)(const char*, struct stat*)>("lstat");
    return fakeStat(path, buffer, true, [&] { return real(path, buffer); });
}

int __lxstat(int version, const char* path, struct stat* buffer) {
    static const auto real = next<int (*)(int, const char*, struct stat*)>("__lxstat");
    return fakeStat(path, buffer, true, [&] { return real(version, path, buffer); });
}

ssize_t readlink(const char* path, char* buffer, size_t size) noexcept {
    static const auto real = next<ssize_t (*)(const char*, char*, size_t)>("readlink");
    const Fake found = fake(path);
    if (found.entry != Entry::sys)
        return real(path, buffer, size);
    struct stat port {};
    if (realStat(found.link.c_str(), &port) != 0)
        return -1;
    const std::string target = "../../devices/virtual/tty/ttySLV" + found.number;
    const std::size_t length = std::min(size, target.size());
    std::memcpy(buffer, target.data(), length);
    return static_cast<ssize_t>(length);
}

int open(const char* path, int flags, ...) {
    static const auto real = next<int (*)(const char*, int, ...)>("open");
    va_list arguments;
    va_start(arguments, flags);
    const mode_t mode = (flags & (O_CREAT | O_TMPFILE)) != 0 ? va_arg(arguments, mode_t) : 0;
    va_end(arguments);
    return fakeOpen(path, [&](const char* opened) { return real(opened, flags, mode); });
}

int open64(const char* path, int flags, ...) __attribute__((alias("open")));

int __open_2(const char* path, int flags) {
    static const auto real = next<int (*)(const char*, int)>("__open_2");
    return fakeOpen(path, [&](const char* opened) { return real(opened, flags); });
}

int close(int fd) {
    static const auto real = next<int (*)(int)>("close");
    if (isOurs(fd))
        ours[static_cast<std::size_t>(fd)] = false;
    return real(fd);
}

// A pty has no modem lines: those of a fake port are kept here.
int ioctl(int fd, unsigned long request, ...) noexcept {
    static const auto real = next<int (*)(int, unsigned long, ...)>("ioctl");
    va_list arguments;
    va_start(arguments, request);
    void* argument = va_arg(arguments, void*);
    va_end(arguments);
    if (!isOurs(fd))
        return real(fd, request, argument);
    std::atomic<int>& lines = modemLines[static_cast<std::size_t>(fd)];
    auto* bits = static_cast<int*>(argument);
    switch (request) {
    case TIOCMGET:
        *bits = lines;
        return 0;
    case TIOCMSET:
        lines = *bits;
        return 0;
    case TIOCMBIS:
        lines |= *bits;
        return 0;
    case TIOCMBIC:
        lines &= ~*bits;
        return 0;
    default:
        return real(fd, request, argument);
    }
}

// A pty refuses 7 data bits; the emulated meters send 8-bit bytes anyway.
int tcsetattr(int fd, int actions, const struct termios* settings) noexcept {
    static const auto real = next<int (*)(int, int, const struct termios*)>("tcsetattr");
    if (!isOurs(fd) || (settings->c_cflag & CSIZE) == CS8)
        return real(fd, actions, settings);
    struct termios relaxed = *settings;
    relaxed.c_cflag = (relaxed.c_cflag & ~static_cast<tcflag_t>(CSIZE)) | CS8;
    return real(fd, actions, &relaxed);
}

} // extern "C"
