// Acquisition library answering every call at random. Answers lean toward the
// edges (zero, negative, huge, unterminated, out-of-range) because those are
// what break a caller; counts change rarely so that the window also spends
// time in each state rather than rebuilding on every tick.
#include "fuzz_control.h"
#include "quelbin.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <random>

namespace {

constexpr int32_t int32Min = std::numeric_limits<int32_t>::min();
constexpr int32_t int32Max = std::numeric_limits<int32_t>::max();
constexpr int32_t hugeCount = 32767;
constexpr std::size_t nameSize = QUELBIN_NAME_SIZE;
constexpr std::size_t rawSize = QUELBIN_RAW_SIZE;
constexpr int32_t rawLimit = QUELBIN_RAW_SIZE;

class Fuzzer {
public:
    explicit Fuzzer(uint64_t seed) { reset(seed); }

    void reset(uint64_t seed) {
        m_rng.seed(seed);
        m_devices = static_cast<int32_t>(between(1, 40));
        m_commands = static_cast<int32_t>(between(1, 40));
    }

    int32_t connection() {
        switch (below(10)) {
        case 0:
        case 1:
        case 2:
            return 1;
        case 3:
        case 4:
            return 0;
        case 5:
        case 6:
            return -1;
        case 7:
            return pickOf(std::array{int32Min, int32Max, 2});
        default:
            return anyInt32();
        }
    }

    int32_t deviceCount() { return count(m_devices, deviceChangeOdds, false); }
    int32_t commandCount() { return count(m_commands, commandChangeOdds, true); }

    int16_t device(char* name, int32_t* dataType) {
        if (oneIn(20)) {
            if (oneIn(2)) {
                fillRandom(name, nameSize);
                *dataType = dataTypeCode();
            }
            return 0;
        }
        fillName(name, false);
        *dataType = dataTypeCode();
        return oneIn(10) ? pickOf(std::array<int16_t, 4>{-1, 2, 255, 32767}) : int16_t{1};
    }

    void commandName(char* name) { fillName(name, true); }

    int32_t anyResult() { return oneIn(2) ? pickOf(std::array{0, 1, -1}) : anyInt32(); }

    void rawDataInfo(int32_t* header, int32_t* byteCount) {
        *header = oneIn(4) ? pickOf(std::array{0, -1, 1, int32Min, int32Max}) : anyInt32();
        *byteCount = rawByteCount();
    }

    void rawData(uint8_t* data) {
        if (oneIn(8)) {
            fillPattern(data);
        } else {
            fillRandom(data, rawSize);
        }
    }

private:
    // Odds that the current count changes on a given call, and that a single
    // call answers something else, so that readings of one tick disagree.
    static constexpr uint64_t deviceChangeOdds = 50;
    static constexpr uint64_t commandChangeOdds = 80;
    static constexpr uint64_t strayOdds = 30;

    uint64_t below(uint64_t bound) {
        return std::uniform_int_distribution<uint64_t>(0, bound - 1)(m_rng);
    }
    int64_t between(int64_t low, int64_t high) {
        return std::uniform_int_distribution<int64_t>(low, high)(m_rng);
    }
    bool oneIn(uint64_t odds) { return below(odds) == 0; }
    int32_t anyInt32() { return static_cast<int32_t>(static_cast<uint32_t>(m_rng())); }

    template <typename T, std::size_t N> T pickOf(const std::array<T, N>& values) {
        return values[static_cast<std::size_t>(below(N))];
    }

    // A count of 32767 or more makes the window create that many command
    // entries: for commands such counts come once in 200 changes, and no stray
    // reading enters or interrupts one, which would cost two more rebuilds.
    enum class Huge { Allowed, Rare, Never };

    int32_t count(int32_t& current, uint64_t changeOdds, bool hugeIsCostly) {
        if (oneIn(changeOdds)) {
            current = drawCount(hugeIsCostly ? Huge::Rare : Huge::Allowed);
        } else if (!(hugeIsCostly && current >= hugeCount) && oneIn(strayOdds)) {
            int32_t stray = current;
            while (stray == current) {
                stray = drawCount(hugeIsCostly ? Huge::Never : Huge::Allowed);
            }
            return stray;
        }
        return current;
    }

    int32_t drawCount(Huge huge) {
        if (huge == Huge::Rare && oneIn(200)) {
            return pickOf(std::array{hugeCount, hugeCount + 1, int32Max});
        }
        const uint64_t roll = below(huge == Huge::Allowed ? 100 : 94);
        if (roll < 3) {
            return int32Min;
        }
        if (roll < 6) {
            return -32769;
        }
        if (roll < 11) {
            return -1;
        }
        if (roll < 18) {
            return 0;
        }
        if (roll < 94) {
            return static_cast<int32_t>(between(1, 40));
        }
        return pickOf(std::array{hugeCount, hugeCount + 1, int32Max});
    }

    int32_t dataTypeCode() {
        if (below(10) < 8) {
            return static_cast<int32_t>(between(-1, 5));
        }
        return oneIn(2) ? pickOf(std::array{6, 65538, int32Min, int32Max, -2}) : anyInt32();
    }

    int32_t rawByteCount() {
        const uint64_t roll = below(20);
        if (roll < 16) {
            return static_cast<int32_t>(between(0, rawLimit));
        }
        if (roll == 16) {
            return pickOf(std::array{0, 1, rawLimit - 1, rawLimit});
        }
        return pickOf(std::array{int32Min, -1, rawLimit + 1, int32Max});
    }

    template <typename Byte> void fillRandom(Byte* out, std::size_t size) {
        for (std::size_t i = 0; i < size; i += 8) {
            uint64_t bits = m_rng();
            for (std::size_t j = i; j < std::min(size, i + 8); ++j, bits >>= 8U) {
                out[j] = static_cast<Byte>(static_cast<uint8_t>(bits));
            }
        }
    }

    uint8_t nameChar() {
        static constexpr std::array<char, 64> nameChars{
            'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 'I', 'J', 'K', 'L', 'M', 'N', 'O', 'P',
            'Q', 'R', 'S', 'T', 'U', 'V', 'W', 'X', 'Y', 'Z', 'a', 'b', 'c', 'd', 'e', 'f',
            'g', 'h', 'i', 'j', 'k', 'l', 'm', 'n', 'o', 'p', 'q', 'r', 's', 't', 'u', 'v',
            'w', 'x', 'y', 'z', '0', '1', '2', '3', '4', '5', '6', '7', '8', '9', '-', '_'};
        return static_cast<uint8_t>(pickOf(nameChars));
    }

    enum class NameKind { Plain, Accented, Control, Blanks, Unterminated, Random };

    NameKind nameKind() {
        const uint64_t roll = below(100);
        if (roll < 60) {
            return NameKind::Plain;
        }
        if (roll < 70) {
            return NameKind::Accented;
        }
        if (roll < 78) {
            return NameKind::Control;
        }
        if (roll < 86) {
            return NameKind::Blanks;
        }
        return roll < 94 ? NameKind::Unterminated : NameKind::Random;
    }

    // One byte of a name of the given kind; never zero.
    uint8_t nameByte(NameKind kind) {
        switch (kind) {
        case NameKind::Accented:
            return oneIn(3) ? static_cast<uint8_t>(between(0xC0, 0xFF)) : nameChar();
        case NameKind::Control:
            return oneIn(4) ? static_cast<uint8_t>(between(0x01, 0x1F)) : nameChar();
        case NameKind::Blanks:
            return oneIn(3) ? pickOf(std::array<uint8_t, 3>{' ', ' ', '\t'}) : nameChar();
        case NameKind::Unterminated:
            return oneIn(2) ? nameChar() : static_cast<uint8_t>(between(1, 255));
        case NameKind::Plain:
        case NameKind::Random:
            break;
        }
        return nameChar();
    }

    // Mostly short names, sometimes empty or filling the buffer.
    std::size_t nameLength() {
        const uint64_t roll = below(20);
        if (roll == 0) {
            return 0;
        }
        if (roll == 1) {
            return static_cast<std::size_t>(between(100, nameSize - 1));
        }
        return static_cast<std::size_t>(between(1, 24));
    }

    // Writes a name into the 128-byte buffer. With `mayKeepTail`, a terminated
    // name sometimes leaves whatever followed it in the buffer untouched.
    void fillName(char* name, bool mayKeepTail) {
        const NameKind kind = nameKind();
        if (kind == NameKind::Random) {
            fillRandom(name, nameSize);
            return;
        }
        const std::size_t length = kind == NameKind::Unterminated ? nameSize : nameLength();
        for (std::size_t i = 0; i < length; ++i) {
            name[i] = static_cast<char>(nameByte(kind));
        }
        if (length == nameSize) {
            return;
        }
        name[length] = '\0';
        if (!(mayKeepTail && oneIn(3))) {
            fillRandom(name + length + 1, nameSize - length - 1);
        }
    }

    // Repeats one element whose bits are an edge case for some data type:
    // zero, all ones, sign bit alone, infinities, NaNs, denormals.
    void fillPattern(uint8_t* data) {
        static constexpr std::array<uint64_t, 10> patterns{
            0x0000000000000000U, 0xFFFFFFFFFFFFFFFFU, 0x8000000000000000U, 0x0000000080000000U,
            0x7FF0000000000000U, 0xFFF8000000000001U, 0x7F8000007FC00000U, 0xFF800000FF800001U,
            0x0000000000000001U, 0x000FFFFFFFFFFFFFU};
        const uint64_t pattern = pickOf(patterns);
        for (std::size_t i = 0; i < rawSize; ++i) {
            data[i] = static_cast<uint8_t>(pattern >> (8U * (i % 8U)));
        }
    }

    std::mt19937_64 m_rng;
    int32_t m_devices = 0;
    int32_t m_commands = 0;
};

Fuzzer& fuzzer() {
    static Fuzzer instance(0);
    return instance;
}

// What the test needs to know of the sensor count it was given.
int32_t lastDeviceCount = 0;
int32_t deviceCountCalls = 0;
int32_t overrunBytes = 0;

// Writes past the end of a buffer of `size` bytes when the test asks for it.
template <typename Byte> void overrun(Byte* buffer, std::size_t size) {
    std::fill_n(buffer + size, overrunBytes, static_cast<Byte>(0xA5));
}

} // namespace

extern "C" SOLVANE_EXPORT void fuzz_seed(uint64_t seed) {
    fuzzer().reset(seed);
    lastDeviceCount = 0;
    deviceCountCalls = 0;
}

extern "C" SOLVANE_EXPORT void fuzz_overrun(int32_t bytes) {
    overrunBytes = std::max(bytes, 0);
}

extern "C" SOLVANE_EXPORT int32_t fuzz_lastNbDevices(void) {
    return lastDeviceCount;
}

extern "C" SOLVANE_EXPORT int32_t fuzz_nbDevicesCalls(void) {
    return deviceCountCalls;
}

extern "C" SOLVANE_EXPORT int32_t SOLVANE_CALL getNbAcqui(void) {
    return fuzzer().connection();
}

extern "C" SOLVANE_EXPORT int32_t SOLVANE_CALL getNbDevices(void) {
    lastDeviceCount = fuzzer().deviceCount();
    ++deviceCountCalls;
    return lastDeviceCount;
}

extern "C" SOLVANE_EXPORT int16_t SOLVANE_CALL getDevice(int32_t /*index*/,
                                                         char name[QUELBIN_NAME_SIZE],
                                                         int32_t* dataType) {
    if (name == nullptr || dataType == nullptr) {
        return 0;
    }
    const int16_t found = fuzzer().device(name, dataType);
    overrun(name, nameSize);
    return found;
}

extern "C" SOLVANE_EXPORT int32_t SOLVANE_CALL getNbCommands(void) {
    return fuzzer().commandCount();
}

extern "C" SOLVANE_EXPORT int32_t SOLVANE_CALL getCommandName(int32_t /*index*/,
                                                              char name[QUELBIN_NAME_SIZE]) {
    if (name != nullptr) {
        fuzzer().commandName(name);
        overrun(name, nameSize);
    }
    return fuzzer().anyResult();
}

extern "C" SOLVANE_EXPORT int32_t SOLVANE_CALL addCommand(int32_t /*index*/) {
    return fuzzer().anyResult();
}

extern "C" SOLVANE_EXPORT int32_t SOLVANE_CALL getRawDataInfo(int32_t /*index*/, int32_t* header,
                                                              int32_t* byteCount) {
    if (header == nullptr || byteCount == nullptr) {
        return 0;
    }
    fuzzer().rawDataInfo(header, byteCount);
    return fuzzer().anyResult();
}

extern "C" SOLVANE_EXPORT int32_t SOLVANE_CALL getRawData(int32_t /*index*/,
                                                          uint8_t data[QUELBIN_RAW_SIZE]) {
    if (data != nullptr) {
        fuzzer().rawData(data);
        overrun(data, rawSize);
    }
    return fuzzer().anyResult();
}
