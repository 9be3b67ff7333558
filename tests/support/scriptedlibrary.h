// The test's side of the scripted acquisition library. It finds the library
// by name through the same search as the program, so both share one copy.
#pragma once

#include <QByteArray>
#include <QStringList>

#include <cstdint>

class ScriptedLibrary {
public:
    ScriptedLibrary(); // resolves the control functions; fails the test if absent

    void reset();
    void setNbAcqui(std::int32_t value);
    void setNbDevices(std::int32_t value);
    void setNbCommands(std::int32_t value);
    void pushNbDevices(std::int32_t value);
    void pushNbCommands(std::int32_t value);

    // Bytes as the library writes them, Windows-1252; a zero byte follows a
    // name shorter than 128 bytes.
    void setDevice(std::int32_t index, const QByteArray& name, std::int32_t dataType,
                   std::int16_t result = 1);
    // getDevice fails and writes nothing.
    void setUnreadableDevice(std::int32_t index);
    void setCommandName(std::int32_t index, const QByteArray& name);
    void setRawData(std::int32_t index, std::int32_t header, std::int32_t byteCount,
                    const QByteArray& bytes);
    // getRawDataInfo and getRawData leave their arguments as they come.
    void forgetRawData(std::int32_t index);
    // What getStatusText writes, where the library has it.
    void setStatusText(const QByteArray& text);

    // Calls since the last reset or clearCalls: "getDevice(1)" and so on.
    QStringList calls() const;
    // The 128 bytes the name buffer of call i held when it arrived.
    QByteArray callBuffer(int i) const;
    void clearCalls();
};
