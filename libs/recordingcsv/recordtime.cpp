#include "recordtime.h"

#include <charconv>
#include <chrono>
#include <cstdio>

namespace solvane::recording {

namespace {

using namespace std::chrono;

struct Parts {
    int year;
    unsigned month, day;
    long hours, minutes, seconds, milliseconds;
};

Parts partsOf(std::int64_t time) {
    const sys_time<milliseconds> point{milliseconds{time}};
    const sys_days day = floor<days>(point);
    const year_month_day date{day};
    const hh_mm_ss clock{point - day};
    return {static_cast<int>(date.year()),
            static_cast<unsigned>(date.month()),
            static_cast<unsigned>(date.day()),
            static_cast<long>(clock.hours().count()),
            static_cast<long>(clock.minutes().count()),
            static_cast<long>(clock.seconds().count()),
            static_cast<long>(clock.subseconds().count())};
}

// The digits of text[at, at + length) as a number.
std::optional<int> digitsAt(std::string_view text, std::size_t at, std::size_t length) {
    int value = 0;
    const char* first = text.data() + at;
    const auto [end, error] = std::from_chars(first, first + length, value);
    if (error != std::errc() || end != first + length || *first == '-' || *first == '+')
        return std::nullopt;
    return value;
}

} // namespace

std::int64_t currentTime() {
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

std::string isoTime(std::int64_t time) {
    const Parts p = partsOf(time);
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02ld:%02ld:%02ld.%03ldZ", p.year, p.month,
                  p.day, p.hours, p.minutes, p.seconds, p.milliseconds);
    return text;
}

std::string fileNameTime(std::int64_t time) {
    const Parts p = partsOf(time);
    char text[40];
    std::snprintf(text, sizeof text, "%04d%02u%02uT%02ld%02ld%02ldZ", p.year, p.month, p.day,
                  p.hours, p.minutes, p.seconds);
    return text;
}

std::optional<std::int64_t> parseIsoTime(std::string_view text) {
    // 2026-12-09T19:30:05.123Z
    constexpr std::string_view shape = "dddd-dd-ddTdd:dd:dd.dddZ";
    if (text.size() != shape.size())
        return std::nullopt;
    for (std::size_t i = 0; i < shape.size(); ++i) {
        if (shape[i] != 'd' && text[i] != shape[i])
            return std::nullopt;
    }
    const auto y = digitsAt(text, 0, 4);
    const auto mo = digitsAt(text, 5, 2);
    const auto d = digitsAt(text, 8, 2);
    const auto h = digitsAt(text, 11, 2);
    const auto mi = digitsAt(text, 14, 2);
    const auto s = digitsAt(text, 17, 2);
    const auto ms = digitsAt(text, 20, 3);
    if (!y || !mo || !d || !h || !mi || !s || !ms || *h > 23 || *mi > 59 || *s > 59)
        return std::nullopt;
    const year_month_day date{year{*y}, month{static_cast<unsigned>(*mo)},
                              day{static_cast<unsigned>(*d)}};
    if (!date.ok())
        return std::nullopt;
    const auto point = sys_days{date} + hours{*h} + minutes{*mi} + seconds{*s} + milliseconds{*ms};
    return point.time_since_epoch().count();
}

} // namespace solvane::recording
