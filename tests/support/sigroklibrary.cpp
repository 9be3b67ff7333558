#include "sigroklibrary.h"

#include <QDir>
#include <QFile>

#include <dlfcn.h>
#include <unistd.h>

#include <array>
#include <cstring>

namespace {

void setVariable(const char* name, const QByteArray& value) {
    if (value.isNull())
        qunsetenv(name);
    else
        qputenv(name, value);
}

} // namespace

SigrokLibrary::SigrokLibrary(const QByteArray& device, const QByteArray& config) {
    setVariable("SOLVANE_SIGROK_DEVICE", device);
    setVariable("SOLVANE_SIGROK_CONFIG", config);
    load(QStringLiteral(SOLVANE_SIGROK_LIBRARY));
}

QByteArray SigrokLibrary::describe(std::int32_t index) {
    std::array<char, QUELBIN_NAME_SIZE> name{};
    std::int32_t type = -1;
    if (getDevice(index, name.data(), &type) == 0)
        return QByteArray();
    return QByteArray(name.data()) + ':' + QByteArray::number(type);
}

QByteArray SigrokLibrary::sensor(std::int32_t index) {
    getNbAcqui();
    return describe(index);
}

QByteArrayList SigrokLibrary::sensors() {
    getNbAcqui();
    QByteArrayList list;
    for (std::int32_t i = 0; i < getNbDevices(); ++i)
        list << describe(i);
    return list;
}

QByteArray SigrokLibrary::commandName(std::int32_t index) {
    getNbAcqui();
    return LoadedQuelbin::commandName(index);
}

Raw SigrokLibrary::raw(std::int32_t index) {
    getNbAcqui();
    Raw raw;
    std::array<std::uint8_t, QUELBIN_RAW_SIZE> data;
    data.fill(0xAA);
    getRawDataInfo(index, &raw.header, &raw.count);
    getRawData(index, data.data());
    raw.bytes = QByteArray(reinterpret_cast<const char*>(data.data()), QUELBIN_RAW_SIZE);
    if (raw.bytes.mid(raw.count) != QByteArray(QUELBIN_RAW_SIZE - raw.count, '\xAA'))
        qFatal("getRawData wrote beyond the byte count %d", raw.count);
    raw.bytes.truncate(raw.count);
    return raw;
}

bool SigrokLibrary::disconnected() {
    const bool acquiring = getNbAcqui() != 0;
    std::int32_t header = -1;
    std::int32_t count = -1;
    getRawDataInfo(0, &header, &count);
    return !acquiring && getNbDevices() == 0 && describe(0).isNull() && header == 0 && count == 0;
}

QStringList threadIds(const QByteArray& name, const QStringList& earlier) {
    const QDir tasks(QStringLiteral("/proc/self/task"));
    QStringList ids;
    for (const QString& task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (earlier.contains(task))
            continue;
        QFile comm(tasks.filePath(task) + QStringLiteral("/comm"));
        if (name.isEmpty() || (comm.open(QIODevice::ReadOnly) && comm.readAll().trimmed() == name))
            ids << task;
    }
    return ids;
}

bool sigrokLibraryMapped() {
    void* handle = dlopen(SOLVANE_SIGROK_LIBRARY, RTLD_NOW | RTLD_NOLOAD);
    if (handle != nullptr)
        dlclose(handle);
    return handle != nullptr;
}

QVector<float> floats(const QByteArray& bytes) {
    QVector<float> values(bytes.size() / 4);
    // An empty vector's data() is null, which memcpy may not be given.
    if (!values.isEmpty())
        std::memcpy(values.data(), bytes.constData(), static_cast<std::size_t>(values.size()) * 4);
    return values;
}
