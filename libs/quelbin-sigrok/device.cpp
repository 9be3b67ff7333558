#include "device.h"

#include "connection.h"
#include "serialline.h"

#include <chrono>

namespace solvane::sigrok {

namespace {

// Longer than the pauses within a meter's answer, which it sends at the
// speed of its line.
constexpr std::chrono::milliseconds lineQuiet{200};
// A line that never falls quiet streams packets that frame themselves.
constexpr std::chrono::seconds lineSettling{10};

} // namespace

Device::Device(sr_dev_driver* driver, sr_dev_inst* instance, ModuleState& state)
    : m_driver(driver), m_instance(instance), m_state(state) {}

Device::Opening Device::open(sr_context* context, sr_dev_driver* driver,
                             const std::vector<ConfigValue>& scanOptions,
                             const std::vector<ConfigValue>& settings, ModuleState& state) {
    Opening opening;
    // Devices of an earlier scan are gone or stale.
    sr_dev_clear(driver);
    const ScanOptions options(scanOptions);
    GSList* found = sr_driver_scan(driver, options.list());
    if (found == nullptr) {
        opening.error = "no such device found";
        return opening;
    }
    auto device =
        std::unique_ptr<Device>(new Device(driver, static_cast<sr_dev_inst*>(found->data), state));
    g_slist_free(found);

    if (const int result = sr_dev_open(device->m_instance); result != SR_OK) {
        opening.error = "the device was found but could not be opened" + libraryError(result);
        return opening;
    }
    device->m_open = true;
    for (const ConfigValue& setting : settings) {
        if (const int result =
                sr_config_set(device->m_instance, nullptr, setting.key, setting.value.get());
            result != SR_OK) {
            opening.error = "the device refused '" + setting.text + "'" + libraryError(result);
            opening.settingRefused = true;
            return opening;
        }
    }
    if (const int result = sr_session_new(context, &device->m_session); result != SR_OK) {
        device->m_session = nullptr;
        opening.error = "no acquisition session could be made" + libraryError(result);
        return opening;
    }
    if (sr_session_dev_add(device->m_session, device->m_instance) != SR_OK ||
        sr_session_datafeed_callback_add(device->m_session, &Device::onPacket, device.get()) !=
            SR_OK ||
        !device->listChannels()) {
        opening.error = "the device offers nothing to acquire";
        return opening;
    }
    device->readPace();
    if (const char* id = sr_dev_inst_connid_get(device->m_instance)) {
        device->m_connection = id;
        device->m_connectionNode = connectionNode(id);
    }
    opening.device = std::move(device);
    return opening;
}

// A device that states its sample rate sets the silence it may keep.
void Device::readPace() {
    GVariant* value = nullptr;
    if (sr_config_get(m_driver, m_instance, nullptr, SR_CONF_SAMPLERATE, &value) != SR_OK)
        return;
    const guint64 rate = g_variant_get_uint64(value);
    g_variant_unref(value);
    if (rate > 0)
        m_pace.expectPeriod(std::chrono::nanoseconds(std::chrono::seconds(1)) / rate);
}

bool Device::connectionPresent() const {
    return nodePresent(m_connectionNode);
}

Device::~Device() {
    if (m_session != nullptr)
        sr_session_destroy(m_session);
    if (m_open)
        sr_dev_close(m_instance);
    sr_dev_clear(m_driver);
}

bool Device::listChannels() {
    for (GSList* item = sr_dev_inst_channels_get(m_instance);
         item != nullptr && m_sensors.size() < maxSensors; item = item->next) {
        const auto* channel = static_cast<const sr_channel*>(item->data);
        const bool logic = channel->type == SR_CHANNEL_LOGIC;
        (logic ? m_logic : m_analog).push_back(Channel{channel, m_sensors.size()});
        m_sensors.push_back(
            SensorInfo{sensorName(channel->name ? channel->name : "", m_sensors.size()),
                       logic ? DataType::Bool : DataType::Real4});
    }
    return !m_sensors.empty();
}

void Device::settleLine(const std::function<bool()>& goOn) const {
    if (m_analog.size() > 1)
        settleSerialLine(m_connectionNode, lineQuiet, lineSettling, goOn);
}

bool Device::start() {
    m_pace.started(Pace::Clock::now());
    return sr_session_start(m_session) == SR_OK;
}

void Device::run() {
    sr_session_run(m_session);
}

void Device::stop() {
    sr_session_stop(m_session);
}

void Device::onPacket(const sr_dev_inst*, const sr_datafeed_packet* packet, void* self) {
    auto* device = static_cast<Device*>(self);
    if (packet->type == SR_DF_LOGIC) {
        device->m_pace.delivered(Pace::Clock::now());
        device->onLogic(*static_cast<const sr_datafeed_logic*>(packet->payload));
    } else if (packet->type == SR_DF_ANALOG) {
        device->m_pace.delivered(Pace::Clock::now());
        device->onAnalog(*static_cast<const sr_datafeed_analog*>(packet->payload));
    }
}

void Device::onLogic(const sr_datafeed_logic& logic) {
    const std::uint64_t sampleCount = logicSampleCount(logic.length, logic.unitsize);
    if (sampleCount == 0 || m_logic.empty())
        return;
    const auto* samples = static_cast<const std::uint8_t*>(logic.data);
    m_state.update([&](std::span<ChannelHistory> histories) {
        RawBytes tail;
        for (const Channel& channel : m_logic) {
            const std::size_t size =
                logicTail(samples, sampleCount, logic.unitsize,
                          static_cast<std::size_t>(channel.channel->index), tail);
            if (size > 0)
                histories[channel.sensor].append({tail.data(), size}, sampleCount);
        }
    });
}

void Device::onAnalog(const sr_datafeed_analog& analog) {
    const std::size_t channels = g_slist_length(analog.meaning->channels);
    if (analog.num_samples == 0 || channels == 0 || m_analog.empty())
        return;
    // Converted outside the lock: the window's calls never wait for it.
    m_floats.resize(std::size_t{analog.num_samples} * channels);
    if (sr_analog_to_float(&analog, m_floats.data()) != SR_OK)
        return;
    m_state.update([&](std::span<ChannelHistory> histories) {
        RawBytes tail;
        for (const Channel& channel : m_analog) {
            const gint position = g_slist_index(analog.meaning->channels, channel.channel);
            if (position < 0)
                continue;
            const std::size_t size =
                analogTail(m_floats, channels, static_cast<std::size_t>(position), tail);
            histories[channel.sensor].append({tail.data(), size}, analog.num_samples);
        }
    });
}

} // namespace solvane::sigrok
