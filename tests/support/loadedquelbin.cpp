#include "loadedquelbin.h"

#include <array>

LoadedQuelbin::~LoadedQuelbin() {
    m_library.unload();
}

QByteArray LoadedQuelbin::commandName(std::int32_t index) {
    std::array<char, QUELBIN_NAME_SIZE> name{};
    getCommandName(index, name.data());
    return QByteArray(name.data());
}

QByteArray LoadedQuelbin::statusText() {
    std::array<char, QUELBIN_NAME_SIZE> text{};
    if (getStatusText)
        getStatusText(text.data());
    return QByteArray(text.data(), static_cast<qsizetype>(qstrnlen(text.data(), text.size())));
}

void LoadedQuelbin::load(const QString& file) {
    m_library.setFileName(file);
    if (!m_library.load())
        qFatal("%s", qPrintable(m_library.errorString()));
    if (const char* missing = resolve([&](const char* name) { return m_library.resolve(name); }))
        qFatal("%s missing", missing);
}
