#include "scriptedlibrary.h"

#include "platform/native.h"
#include "scripted/script_control.h"

#include <QLibrary>
#include <QTest>

namespace {

struct Controls {
    decltype(&script_reset) reset;
    decltype(&script_setNbAcqui) setNbAcqui;
    decltype(&script_setNbDevices) setNbDevices;
    decltype(&script_setNbCommands) setNbCommands;
    decltype(&script_pushNbDevices) pushNbDevices;
    decltype(&script_pushNbCommands) pushNbCommands;
    decltype(&script_setDevice) setDevice;
    decltype(&script_setCommandName) setCommandName;
    decltype(&script_setRawData) setRawData;
    decltype(&script_forgetRawData) forgetRawData;
    decltype(&script_setStatusText) setStatusText;
    decltype(&script_callCount) callCount;
    decltype(&script_call) call;
    decltype(&script_callBuffer) callBuffer;
    decltype(&script_clearCalls) clearCalls;
};

template <typename Fn> void bind(QLibrary& library, Fn& fn, const char* name) {
    fn = reinterpret_cast<Fn>(library.resolve(name));
    if (!fn)
        qFatal("scripted library: %s missing: %s", name, qPrintable(library.errorString()));
}

Controls& controls() {
    static Controls c = [] {
        // Loaded by name, like the program loads it: the library search decides.
        static QLibrary library(platform::libraryFileName(QStringLiteral("Quelbin")));
        if (!library.load())
            qFatal("scripted library not found: %s", qPrintable(library.errorString()));
        Controls r{};
        bind(library, r.reset, "script_reset");
        bind(library, r.setNbAcqui, "script_setNbAcqui");
        bind(library, r.setNbDevices, "script_setNbDevices");
        bind(library, r.setNbCommands, "script_setNbCommands");
        bind(library, r.pushNbDevices, "script_pushNbDevices");
        bind(library, r.pushNbCommands, "script_pushNbCommands");
        bind(library, r.setDevice, "script_setDevice");
        bind(library, r.setCommandName, "script_setCommandName");
        bind(library, r.setRawData, "script_setRawData");
        bind(library, r.forgetRawData, "script_forgetRawData");
        bind(library, r.setStatusText, "script_setStatusText");
        bind(library, r.callCount, "script_callCount");
        bind(library, r.call, "script_call");
        bind(library, r.callBuffer, "script_callBuffer");
        bind(library, r.clearCalls, "script_clearCalls");
        return r;
    }();
    return c;
}

} // namespace

ScriptedLibrary::ScriptedLibrary() {
    controls();
}

void ScriptedLibrary::reset() {
    controls().reset();
}
void ScriptedLibrary::setNbAcqui(std::int32_t v) {
    controls().setNbAcqui(v);
}
void ScriptedLibrary::setNbDevices(std::int32_t v) {
    controls().setNbDevices(v);
}
void ScriptedLibrary::setNbCommands(std::int32_t v) {
    controls().setNbCommands(v);
}
void ScriptedLibrary::pushNbDevices(std::int32_t v) {
    controls().pushNbDevices(v);
}
void ScriptedLibrary::pushNbCommands(std::int32_t v) {
    controls().pushNbCommands(v);
}

void ScriptedLibrary::setDevice(std::int32_t index, const QByteArray& name, std::int32_t dataType,
                                std::int16_t result) {
    controls().setDevice(index, name.constData(), static_cast<std::int32_t>(name.size()), dataType,
                         1, result);
}

void ScriptedLibrary::setUnreadableDevice(std::int32_t index) {
    controls().setDevice(index, nullptr, -1, 0, 0, 0);
}

void ScriptedLibrary::setCommandName(std::int32_t index, const QByteArray& name) {
    controls().setCommandName(index, name.constData(), static_cast<std::int32_t>(name.size()));
}

void ScriptedLibrary::setRawData(std::int32_t index, std::int32_t header, std::int32_t byteCount,
                                 const QByteArray& bytes) {
    controls().setRawData(index, header, byteCount,
                          reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                          static_cast<std::int32_t>(bytes.size()));
}

void ScriptedLibrary::forgetRawData(std::int32_t index) {
    controls().forgetRawData(index);
}

void ScriptedLibrary::setStatusText(const QByteArray& text) {
    controls().setStatusText(text.constData(), static_cast<std::int32_t>(text.size()));
}

QStringList ScriptedLibrary::calls() const {
    QStringList result;
    const std::int32_t count = controls().callCount();
    for (std::int32_t i = 0; i < count; ++i)
        result << QString::fromLatin1(controls().call(i));
    return result;
}

QByteArray ScriptedLibrary::callBuffer(int i) const {
    const char* buffer = controls().callBuffer(i);
    return buffer ? QByteArray(buffer, 128) : QByteArray();
}

void ScriptedLibrary::clearCalls() {
    controls().clearCalls();
}
