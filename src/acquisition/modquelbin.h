// Module status, the sensor list, the watched sensor and its raw-data log:
// keeps the window's status labels, sensor list and log in step with the
// acquisition library.
#pragma once

#include <QString>
#include <QStringView>

#include <cstdint>

namespace modQuelbin {

// The sensor count for which the sensor list was last built.
void InitDeviceCount();
void SetKnownDeviceCount(std::int16_t count);
std::int16_t GetKnownDeviceCount();

// The sensor whose raw data are logged; -1 when none.
void InitWatchedSource();
void SetWatchedSource(std::int16_t index);
std::int16_t GetWatchedSource();

// "Module d'acquisition: connecté" or "... déconnecté".
void ShowModuleStatus();
// What the library last said of the module's link (why it reads
// "déconnecté"), up to its first zero byte; empty when it says nothing or
// has no getStatusText. Asked only when the operator points at the label.
QString ModuleStatusText();
// "Nb. senseurs: " and the library's count as given.
void ShowDeviceCount();
// Rebuilds the sensor list and the type table when the sensor count changed.
void RefreshDeviceList();
// Puts one decoded line of the watched sensor's raw data at the top of the log.
void AppendRawData();

// ASCII letters and digits, '-' and '_'.
bool IsNameChar(QStringView character);
// The leading run of name characters, at most 127 of them.
QString TrimDeviceName(const QString& name);

// The log is emptied whole when a line takes it past this many lines.
inline constexpr int maxLogLines = 1000;
// The sensor list holds at most this many sensors: the type table's size.
inline constexpr std::int16_t maxListedDevices = 32;

} // namespace modQuelbin
