// A setting turned into what libsigrok takes: its configuration key and a
// value of the type libsigrok declares for that key, parsed as libsigrok's
// own tools parse it ("1k", "1/100", "2.5V", "yes"...).
#pragma once

#include "settings.h"

#include <libsigrok/libsigrok.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace solvane::sigrok {

// " (libsigrok's words for the error `code`)", to end a message with.
std::string libraryError(int code);

struct VariantRelease {
    void operator()(GVariant* variant) const { g_variant_unref(variant); }
};
using VariantPtr = std::unique_ptr<GVariant, VariantRelease>;

struct ConfigValue {
    std::uint32_t key = 0;
    VariantPtr value;
    std::string text; // "key=value" as given, for messages
};

Parsed<ConfigValue> toConfigValue(const Setting& setting);

// Every setting converted, or the first one's error. With `allowed` (a
// driver's scan options), a key must be one of them, and the error lists them.
Parsed<std::vector<ConfigValue>>
toConfigValues(const std::vector<Setting>& settings,
               std::optional<std::span<const std::uint32_t>> allowed = std::nullopt);

// The values as the GSList of sr_config that sr_driver_scan takes; the list
// borrows the values, which must outlive it.
class ScanOptions {
public:
    explicit ScanOptions(const std::vector<ConfigValue>& values);
    ~ScanOptions();
    ScanOptions(const ScanOptions&) = delete;
    ScanOptions& operator=(const ScanOptions&) = delete;

    GSList* list() const { return m_list; }

private:
    std::vector<sr_config> m_configs;
    GSList* m_list = nullptr;
};

} // namespace solvane::sigrok
