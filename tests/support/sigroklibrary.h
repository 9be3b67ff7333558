// The libsigrok acquisition library loaded as Solvane loads it, for the
// tests that drive it: the two variables set before loading, the eight
// functions, and polls made as the window makes them (getNbAcqui first).
#pragma once

#include "capturedstderr.h"
#include "loadedquelbin.h"

#include <QByteArray>
#include <QByteArrayList>
#include <QStringList>
#include <QVector>

#include <cstdint>
#include <cstdio>

struct Raw {
    std::int32_t header = 0;
    std::int32_t count = 0;
    QByteArray bytes;
};

// Loaded after setting the two variables (a null value leaves a variable
// unset); unloaded at the end of the scope.
class SigrokLibrary : public LoadedQuelbin {
public:
    explicit SigrokLibrary(const QByteArray& device, const QByteArray& config = {});

    // Each of these is a poll of its own: getNbAcqui, then what it reads.
    bool connected() { return getNbAcqui() > 0; }
    QByteArray sensor(std::int32_t index);
    QByteArrayList sensors();
    QByteArray commandName(std::int32_t index);
    // Fails the process if getRawData writes beyond the byte count.
    Raw raw(std::int32_t index);
    // Every answer says "disconnected": no sensor, no data.
    bool disconnected();

private:
    QByteArray describe(std::int32_t index);
};

// How long a test waits for what the library should do, in milliseconds:
// many times what it takes under the sanitizers on a busy machine.
inline constexpr int patience = 30000;

// The ids of this process's threads (only those named `name`, if given)
// that are not among `earlier`: those a test case started, whatever threads
// of earlier cases are still ending.
QStringList threadIds(const QByteArray& name = {}, const QStringList& earlier = {});
// The library is mapped into the process.
bool sigrokLibraryMapped();
QVector<float> floats(const QByteArray& bytes);
