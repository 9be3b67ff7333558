#include "configvalue.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <string_view>

namespace solvane::sigrok {

namespace {

VariantPtr owned(GVariant* floating) {
    return VariantPtr(g_variant_ref_sink(floating));
}

VariantPtr pair(GVariant* first, GVariant* second) {
    GVariant* items[] = {first, second};
    return owned(g_variant_new_tuple(items, 2));
}

// A whole decimal number in C's notation ("2.5"), nothing before or after
// it, whatever the locale: Qt sets the process's locale from the user's, in
// which the decimal separator may be a comma.
bool parseDouble(std::string_view text, double& result) {
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, result);
    return !text.empty() && error == std::errc() && stop == end;
}

// A count or a rate as libsigrok's tools write them: "1000", "1k", "1.5k",
// "2M", "1 GHz". Refused unless the whole text is read and makes a whole
// number ("1.5" is no sample count).
bool parseSize(std::string_view text, std::uint64_t& result) {
    const auto digits = [&](std::size_t from) {
        std::size_t to = from;
        while (to < text.size() && text[to] >= '0' && text[to] <= '9')
            ++to;
        return to;
    };
    const std::size_t wholeEnd = digits(0);
    std::string_view fraction;
    std::size_t at = wholeEnd;
    if (at < text.size() && text[at] == '.') {
        at = digits(wholeEnd + 1);
        fraction = text.substr(wholeEnd + 1, at - wholeEnd - 1);
    }
    if (wholeEnd == 0 && fraction.empty())
        return false;
    while (at < text.size() && text[at] == ' ')
        ++at;
    unsigned exponent = 0;
    if (at < text.size()) {
        switch (text[at]) {
        case 'k':
        case 'K':
            exponent = 3;
            break;
        case 'm':
        case 'M':
            exponent = 6;
            break;
        case 'g':
        case 'G':
            exponent = 9;
            break;
        default:
            break;
        }
        at += exponent > 0 ? 1 : 0;
    }
    const std::string_view unit = text.substr(at);
    if (!unit.empty() && g_ascii_strcasecmp(std::string(unit).c_str(), "Hz") != 0)
        return false;
    while (!fraction.empty() && fraction.back() == '0')
        fraction.remove_suffix(1);
    if (fraction.size() > exponent)
        return false;
    std::uint64_t whole = 0;
    if (wholeEnd > 0 &&
        std::from_chars(text.data(), text.data() + wholeEnd, whole).ec != std::errc())
        return false;
    // At most 9 digits: no overflow.
    std::uint64_t part = 0;
    std::from_chars(fraction.data(), fraction.data() + fraction.size(), part);
    std::uint64_t scale = 1;
    for (unsigned i = 0; i < exponent; ++i)
        scale *= 10;
    std::uint64_t fractionScale = scale;
    for (std::size_t i = 0; i < fraction.size(); ++i)
        fractionScale /= 10;
    std::uint64_t scaled = 0;
    return !__builtin_mul_overflow(whole, scale, &scaled) &&
           !__builtin_add_overflow(scaled, part * fractionScale, &result);
}

VariantPtr parseValue(int datatype, const std::string& text) {
    std::uint64_t p = 0;
    std::uint64_t q = 0;
    switch (datatype) {
    case SR_T_UINT64:
        if (!parseSize(text, p))
            return nullptr;
        return owned(g_variant_new_uint64(p));
    case SR_T_INT32:
        if (!parseSize(text, p) ||
            p > static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max()))
            return nullptr;
        return owned(g_variant_new_int32(static_cast<std::int32_t>(p)));
    case SR_T_STRING:
        if (!g_utf8_validate(text.c_str(), -1, nullptr))
            return nullptr;
        return owned(g_variant_new_string(text.c_str()));
    case SR_T_BOOL: {
        // Anything but a plain yes or no is a mistake, not a no.
        const auto is = [&](const char* word) {
            return g_ascii_strcasecmp(text.c_str(), word) == 0;
        };
        if (is("yes") || is("true") || is("on") || is("1"))
            return owned(g_variant_new_boolean(TRUE));
        if (is("no") || is("false") || is("off") || is("0"))
            return owned(g_variant_new_boolean(FALSE));
        return nullptr;
    }
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
        const std::string_view range(text);
        if (dash == std::string::npos || !parseDouble(range.substr(0, dash), low) ||
            !parseDouble(range.substr(dash + 1), high))
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
        if (std::string point = *setting.value; point.find(',') != std::string::npos) {
            std::replace(point.begin(), point.end(), ',', '.');
            parsed.error += " (numbers take a decimal point, as in '" + point + "')";
        }
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
