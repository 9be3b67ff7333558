#include "configvalue.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <limits>

namespace solvane::sigrok {

namespace {

VariantPtr owned(GVariant* floating) {
    return VariantPtr(g_variant_ref_sink(floating));
}

VariantPtr pair(GVariant* first, GVariant* second) {
    GVariant* items[] = {first, second};
    return owned(g_variant_new_tuple(items, 2));
}

// A whole decimal number, nothing before or after it.
bool parseDouble(const std::string& text, double& result) {
    if (text.empty())
        return false;
    char* end = nullptr;
    errno = 0;
    result = std::strtod(text.c_str(), &end);
    return errno == 0 && *end == '\0';
}

VariantPtr parseValue(int datatype, const std::string& text) {
    std::uint64_t p = 0;
    std::uint64_t q = 0;
    switch (datatype) {
    case SR_T_UINT64:
        if (sr_parse_sizestring(text.c_str(), &p) != SR_OK)
            return nullptr;
        return owned(g_variant_new_uint64(p));
    case SR_T_INT32:
        if (sr_parse_sizestring(text.c_str(), &p) != SR_OK ||
            p > static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max()))
            return nullptr;
        return owned(g_variant_new_int32(static_cast<std::int32_t>(p)));
    case SR_T_STRING:
        if (!g_utf8_validate(text.c_str(), -1, nullptr))
            return nullptr;
        return owned(g_variant_new_string(text.c_str()));
    case SR_T_BOOL:
        return owned(g_variant_new_boolean(sr_parse_boolstring(text.c_str())));
    case SR_T_FLOAT: {
        double value = 0;
        if (!parseDouble(text, value))
            return nullptr;
        return owned(g_variant_new_double(value));
    }
    case SR_T_RATIONAL_PERIOD:
        if (sr_parse_period(text.c_str(), &p, &q) != SR_OK)
            return nullptr;
        return pair(g_variant_new_uint64(p), g_variant_new_uint64(q));
    case SR_T_RATIONAL_VOLT:
        if (sr_parse_voltage(text.c_str(), &p, &q) != SR_OK)
            return nullptr;
        return pair(g_variant_new_uint64(p), g_variant_new_uint64(q));
    case SR_T_DOUBLE_RANGE: {
        // "low-high"; the dash after the first character, so that low may be negative.
        const std::size_t dash = text.find('-', 1);
        double low = 0;
        double high = 0;
        if (dash == std::string::npos || !parseDouble(text.substr(0, dash), low) ||
            !parseDouble(text.substr(dash + 1), high))
            return nullptr;
        return pair(g_variant_new_double(low), g_variant_new_double(high));
    }
    default:
        return nullptr;
    }
}

bool supported(int datatype) {
    switch (datatype) {
    case SR_T_UINT64:
    case SR_T_INT32:
    case SR_T_STRING:
    case SR_T_BOOL:
    case SR_T_FLOAT:
    case SR_T_RATIONAL_PERIOD:
    case SR_T_RATIONAL_VOLT:
    case SR_T_DOUBLE_RANGE:
        return true;
    default:
        return false;
    }
}

std::string keyNames(std::span<const std::uint32_t> keys) {
    std::string names;
    for (const std::uint32_t key : keys) {
        const sr_key_info* info = sr_key_info_get(SR_KEY_CONFIG, key);
        if (info == nullptr || info->id == nullptr)
            continue;
        names += (names.empty() ? "" : ", ") + std::string(info->id);
    }
    return names.empty() ? std::string("none") : names;
}

} // namespace

std::string libraryError(int code) {
    return std::string(" (") + sr_strerror(code) + ")";
}

Parsed<ConfigValue> toConfigValue(const Setting& setting) {
    Parsed<ConfigValue> parsed;
    const std::string text = setting.key + (setting.value ? "=" + *setting.value : std::string());
    const sr_key_info* info = sr_key_info_name_get(SR_KEY_CONFIG, setting.key.c_str());
    if (info == nullptr) {
        parsed.error = "libsigrok has no setting '" + setting.key + "'";
        return parsed;
    }
    if (!supported(info->datatype)) {
        parsed.error = "'" + setting.key + "' cannot be given as text here";
        return parsed;
    }
    if (!setting.value && info->datatype != SR_T_BOOL) {
        parsed.error = "'" + setting.key + "' needs a value ('" + setting.key + "=...')";
        return parsed;
    }
    VariantPtr value = parseValue(info->datatype, setting.value.value_or("yes"));
    if (!value) {
        parsed.error = "'" + *setting.value + "' is not a valid value for '" + setting.key + "'";
        return parsed;
    }
    parsed.value = ConfigValue{info->key, std::move(value), text};
    return parsed;
}

Parsed<std::vector<ConfigValue>>
toConfigValues(const std::vector<Setting>& settings,
               std::optional<std::span<const std::uint32_t>> allowed) {
    Parsed<std::vector<ConfigValue>> parsed;
    std::vector<ConfigValue> values;
    for (const Setting& setting : settings) {
        Parsed<ConfigValue> value = toConfigValue(setting);
        if (!value.value) {
            parsed.error = std::move(value.error);
            return parsed;
        }
        if (allowed &&
            std::find(allowed->begin(), allowed->end(), value.value->key) == allowed->end()) {
            parsed.error = "the driver takes no '" + setting.key + "' here (it takes " +
                           keyNames(*allowed) + ")";
            return parsed;
        }
        values.push_back(std::move(*value.value));
    }
    parsed.value = std::move(values);
    return parsed;
}

ScanOptions::ScanOptions(const std::vector<ConfigValue>& values) {
    m_configs.reserve(values.size());
    for (const ConfigValue& value : values)
        m_configs.push_back(sr_config{value.key, value.value.get()});
    for (sr_config& config : m_configs)
        m_list = g_slist_append(m_list, &config);
}

ScanOptions::~ScanOptions() {
    g_slist_free(m_list);
}

} // namespace solvane::sigrok
