#include "quelbinlibrary.h"

#include "platform/native.h"
#include "platform/sharedlibrary.h"

#include <quelbin.h>

#include <algorithm>
#include <array>

namespace quelbin {

namespace {

platform::SharedLibrary& library() {
    // Without a maker's library the operator may still try the program.
    static platform::SharedLibrary lib(QStringLiteral("Quelbin"), platform::withoutModuleHint);
    return lib;
}

// Typed by the public header's declaration; decltype keeps the symbol unused,
// since the program never links the library.
template <typename Fn> using Function = platform::LibraryFunction<Fn>;

// A copy of the caller's buffer with room to spare after it; the caller's
// buffer gets the first bytes back.
template <typename Buffer> class RoomyCopy {
public:
    explicit RoomyCopy(Buffer& buffer) : m_buffer(buffer) {
        std::copy(buffer.begin(), buffer.end(), m_room.begin());
    }
    ~RoomyCopy() { std::copy_n(m_room.begin(), m_buffer.size(), m_buffer.begin()); }
    RoomyCopy(const RoomyCopy&) = delete;
    RoomyCopy& operator=(const RoomyCopy&) = delete;

    typename Buffer::value_type* data() { return m_room.data(); }

private:
    Buffer& m_buffer;
    // Left uninitialised: only the bytes copied in are ever read back, and
    // clearing the room would cost every tick.
    std::array<typename Buffer::value_type, std::tuple_size_v<Buffer> + overrunRoom> m_room;
};

} // namespace

std::int32_t getNbAcqui() {
    static Function<decltype(&::getNbAcqui)> fn(library(), "getNbAcqui");
    return fn();
}

std::int32_t getNbDevices() {
    static Function<decltype(&::getNbDevices)> fn(library(), "getNbDevices");
    return fn();
}

std::int16_t getDevice(std::int32_t index, NameBuffer& name, std::int32_t& dataType) {
    static Function<decltype(&::getDevice)> fn(library(), "getDevice");
    RoomyCopy copy(name);
    return fn(index, copy.data(), &dataType);
}

std::int32_t getNbCommands() {
    static Function<decltype(&::getNbCommands)> fn(library(), "getNbCommands");
    return fn();
}

std::int32_t getCommandName(std::int32_t index, NameBuffer& name) {
    static Function<decltype(&::getCommandName)> fn(library(), "getCommandName");
    RoomyCopy copy(name);
    return fn(index, copy.data());
}

std::int32_t addCommand(std::int32_t index) {
    static Function<decltype(&::addCommand)> fn(library(), "addCommand");
    return fn(index);
}

std::int32_t getRawDataInfo(std::int32_t index, std::int32_t& header, std::int32_t& byteCount) {
    static Function<decltype(&::getRawDataInfo)> fn(library(), "getRawDataInfo");
    return fn(index, &header, &byteCount);
}

std::int32_t getRawData(std::int32_t index, RawBuffer& data) {
    static Function<decltype(&::getRawData)> fn(library(), "getRawData");
    RoomyCopy copy(data);
    return fn(index, copy.data());
}

bool getStatusText(NameBuffer& text) {
    // A maker's library may have none: looked up once, never an error.
    static const auto fn =
        reinterpret_cast<decltype(&::getStatusText)>(library().resolveOptional("getStatusText"));
    if (!fn)
        return false;
    RoomyCopy copy(text);
    fn(copy.data());
    return true;
}

} // namespace quelbin
