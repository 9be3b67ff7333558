// The parts of the libsigrok acquisition library on their own: reading the
// two variables, typing their values as libsigrok wants them, keeping each
// channel's latest data, and handing them out coherently.
#include "channelhistory.h"
#include "configvalue.h"
#include "connection.h"
#include "modulestate.h"
#include "pace.h"
#include "settings.h"

#include <QTest>

#include <array>
#include <cstring>
#include <limits>
#include <vector>

using namespace solvane::sigrok;

namespace {

QByteArray bytes(std::span<const std::uint8_t> data) {
    return QByteArray(reinterpret_cast<const char*>(data.data()),
                      static_cast<qsizetype>(data.size()));
}

QByteArray floatBytes(const std::vector<float>& values) {
    QByteArray result(static_cast<qsizetype>(values.size() * sizeof(float)), '\0');
    std::memcpy(result.data(), values.data(), values.size() * sizeof(float));
    return result;
}

std::span<const std::uint8_t> asBytes(const QByteArray& data) {
    return {reinterpret_cast<const std::uint8_t*>(data.data()),
            static_cast<std::size_t>(data.size())};
}

// "key=value;key;..." for comparing settings in one column.
QByteArray settingsText(const std::vector<Setting>& settings) {
    QByteArray text;
    for (const Setting& setting : settings) {
        text += QByteArray::fromStdString(setting.key);
        if (setting.value)
            text += '=' + QByteArray::fromStdString(*setting.value);
        text += ';';
    }
    return text;
}

// A null value makes a bare key.
Setting toSetting(const QByteArray& key, const QByteArray& value) {
    return {key.toStdString(), value.isNull() ? std::nullopt : std::optional(value.toStdString())};
}

} // namespace

class tst_sigrokparts : public QObject {
    Q_OBJECT

private slots:
    void deviceString_data();
    void deviceString();
    void settings_data();
    void settings();
    void configValueTyped_data();
    void configValueTyped();
    void configValueRefused_data();
    void configValueRefused();
    void scanOptionOutsideDriverListIsRefused();
    void historyKeepsNewestOldestFirst();
    void headerWrapsWithin31Bits();
    void logicTailTakesTheChannelBit_data();
    void logicTailTakesTheChannelBit();
    void analogTailTakesOneInterleavedChannel();
    void sensorNameKeepsPlainCharacters_data();
    void sensorNameKeepsPlainCharacters();
    void aPollAnswersFromOneState();
    void silenceLimitFollowsThePace();
    void connectionNodes_data();
    void connectionNodes();
    void describeCutsLongNamesAndRefusesBadIndices();
};

void tst_sigrokparts::deviceString_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("driver"); // empty: refused
    QTest::addColumn<QByteArray>("options");

    QTest::newRow("driver alone") << QByteArray("demo") << QByteArray("demo") << QByteArray();
    QTest::newRow("usb") << QByteArray("uni-t-ut61e:conn=1a86.e008") << QByteArray("uni-t-ut61e")
                         << QByteArray("conn=1a86.e008;");
    QTest::newRow("tcp") << QByteArray("rigol-ds:conn=tcp-raw/192.0.2.10/5555")
                         << QByteArray("rigol-ds") << QByteArray("conn=tcp-raw/192.0.2.10/5555;");
    QTest::newRow("serial, '=' inside a value")
        << QByteArray("metex-m3640d:conn=/dev/ttyUSB0:serialcomm=1200/7n2/dtr=1")
        << QByteArray("metex-m3640d") << QByteArray("conn=/dev/ttyUSB0;serialcomm=1200/7n2/dtr=1;");
    QTest::newRow("bare key") << QByteArray("demo:continuous") << QByteArray("demo")
                              << QByteArray("continuous;");
    QTest::newRow("empty") << QByteArray("") << QByteArray() << QByteArray();
    QTest::newRow("no driver") << QByteArray(":conn=x") << QByteArray() << QByteArray();
    QTest::newRow("setting first") << QByteArray("conn=1a86.e008") << QByteArray() << QByteArray();
    QTest::newRow("trailing colon") << QByteArray("demo:") << QByteArray() << QByteArray();
    QTest::newRow("empty setting") << QByteArray("demo::conn=x") << QByteArray() << QByteArray();
    QTest::newRow("nameless setting") << QByteArray("demo:=5") << QByteArray() << QByteArray();
}

void tst_sigrokparts::deviceString() {
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, driver);
    QFETCH(QByteArray, options);

    const Parsed<DeviceString> parsed = parseDeviceString(text.toStdString());
    if (driver.isEmpty()) {
        QVERIFY(!parsed.value);
        QVERIFY(!parsed.error.empty());
        return;
    }
    QVERIFY2(parsed.value, parsed.error.c_str());
    QCOMPARE(QByteArray::fromStdString(parsed.value->driver), driver);
    QCOMPARE(settingsText(parsed.value->options), options);
}

void tst_sigrokparts::settings_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QByteArray>("settings");

    QTest::newRow("none") << QByteArray("") << true << QByteArray();
    QTest::newRow("one") << QByteArray("samplerate=1k") << true << QByteArray("samplerate=1k;");
    QTest::newRow("commas") << QByteArray("samplerate=1k,limit_samples=10") << true
                            << QByteArray("samplerate=1k;limit_samples=10;");
    QTest::newRow("colons, as the command-line tool")
        << QByteArray("samplerate=1k:continuous") << true
        << QByteArray("samplerate=1k;continuous;");
    QTest::newRow("empty value kept") << QByteArray("pattern=") << true << QByteArray("pattern=;");
    QTest::newRow("lone comma") << QByteArray(",") << false << QByteArray();
    QTest::newRow("trailing comma") << QByteArray("samplerate=1k,") << false << QByteArray();
    QTest::newRow("nameless") << QByteArray("=3") << false << QByteArray();
    QTest::newRow("decimal comma") << QByteArray("samplerate=1,5k") << false << QByteArray();
}

void tst_sigrokparts::settings() {
    QFETCH(QByteArray, text);
    QFETCH(bool, valid);
    QFETCH(QByteArray, settings);

    const Parsed<std::vector<Setting>> parsed = parseSettings(text.toStdString());
    QCOMPARE(bool(parsed.value), valid);
    QCOMPARE(parsed.error.empty(), valid);
    if (valid)
        QCOMPARE(settingsText(*parsed.value), settings);
}

void tst_sigrokparts::configValueTyped_data() {
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QByteArray>("value"); // null: a bare key
    QTest::addColumn<quint32>("configKey");
    QTest::addColumn<QByteArray>("variant"); // as GLib prints it, with its type

    QTest::newRow("size string") << QByteArray("samplerate") << QByteArray("1k")
                                 << quint32(SR_CONF_SAMPLERATE) << QByteArray("uint64 1000");
    QTest::newRow("mega") << QByteArray("limit_samples") << QByteArray("2M")
                          << quint32(SR_CONF_LIMIT_SAMPLES) << QByteArray("uint64 2000000");
    QTest::newRow("decimal size") << QByteArray("samplerate") << QByteArray("1.5k")
                                  << quint32(SR_CONF_SAMPLERATE) << QByteArray("uint64 1500");
    QTest::newRow("size in hertz") << QByteArray("samplerate") << QByteArray("2.25 MHz")
                                   << quint32(SR_CONF_SAMPLERATE) << QByteArray("uint64 2250000");
    QTest::newRow("int32") << QByteArray("logic_channels") << QByteArray("4")
                           << quint32(SR_CONF_NUM_LOGIC_CHANNELS) << QByteArray("4");
    QTest::newRow("string") << QByteArray("conn") << QByteArray("/dev/ttyUSB0")
                            << quint32(SR_CONF_CONN) << QByteArray("'/dev/ttyUSB0'");
    QTest::newRow("bare boolean") << QByteArray("continuous") << QByteArray()
                                  << quint32(SR_CONF_CONTINUOUS) << QByteArray("true");
    QTest::newRow("boolean off") << QByteArray("continuous") << QByteArray("no")
                                 << quint32(SR_CONF_CONTINUOUS) << QByteArray("false");
    QTest::newRow("float") << QByteArray("amplitude") << QByteArray("2.5")
                           << quint32(SR_CONF_AMPLITUDE) << QByteArray("2.5");
    QTest::newRow("period") << QByteArray("timebase") << QByteArray("10ms")
                            << quint32(SR_CONF_TIMEBASE) << QByteArray("(uint64 10, uint64 1000)");
    QTest::newRow("voltage") << QByteArray("vdiv") << QByteArray("500mV") << quint32(SR_CONF_VDIV)
                             << QByteArray("(uint64 500, uint64 1000)");
    QTest::newRow("range, negative low")
        << QByteArray("voltage_threshold") << QByteArray("-1.5-2.5")
        << quint32(SR_CONF_VOLTAGE_THRESHOLD) << QByteArray("(-1.5, 2.5)");
}

void tst_sigrokparts::configValueTyped() {
    QFETCH(QByteArray, key);
    QFETCH(QByteArray, value);
    QFETCH(quint32, configKey);
    QFETCH(QByteArray, variant);

    const Parsed<ConfigValue> parsed = toConfigValue(toSetting(key, value));
    QVERIFY2(parsed.value, parsed.error.c_str());
    QCOMPARE(parsed.value->key, configKey);
    gchar* printed = g_variant_print(parsed.value->value.get(), TRUE);
    const QByteArray text(printed);
    g_free(printed);
    QCOMPARE(text, variant);
}

void tst_sigrokparts::configValueRefused_data() {
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<QByteArray>("mention");

    QTest::newRow("unknown key") << QByteArray("nosuch") << QByteArray("1")
                                 << QByteArray("no setting 'nosuch'");
    QTest::newRow("not a size") << QByteArray("samplerate") << QByteArray("fast")
                                << QByteArray("'fast'");
    QTest::newRow("missing value")
        << QByteArray("samplerate") << QByteArray() << QByteArray("needs a value");
    QTest::newRow("int32 overflow")
        << QByteArray("logic_channels") << QByteArray("3000000000") << QByteArray("'3000000000'");
    QTest::newRow("size not whole")
        << QByteArray("limit_samples") << QByteArray("1.5") << QByteArray("'1.5'");
    QTest::newRow("size with junk")
        << QByteArray("samplerate") << QByteArray("1.5k5") << QByteArray("'1.5k5'");
    QTest::newRow("size beyond 64 bits")
        << QByteArray("limit_samples") << QByteArray("18446744073709551616")
        << QByteArray("'18446744073709551616'");
    QTest::newRow("neither yes nor no")
        << QByteArray("continuous") << QByteArray("maybe") << QByteArray("'maybe'");
    QTest::newRow("decimal comma")
        << QByteArray("amplitude") << QByteArray("2,5") << QByteArray("'2,5'");
    QTest::newRow("float with junk")
        << QByteArray("amplitude") << QByteArray("2.5x") << QByteArray("'2.5x'");
    QTest::newRow("range without high")
        << QByteArray("voltage_threshold") << QByteArray("1.5") << QByteArray("'1.5'");
    QTest::newRow("not UTF-8") << QByteArray("conn") << QByteArray("/dev/tty\xE9")
                               << QByteArray("not a valid value");
}

void tst_sigrokparts::configValueRefused() {
    QFETCH(QByteArray, key);
    QFETCH(QByteArray, value);
    QFETCH(QByteArray, mention);

    const Parsed<ConfigValue> parsed = toConfigValue(toSetting(key, value));
    QVERIFY(!parsed.value);
    QVERIFY2(QByteArray::fromStdString(parsed.error).contains(mention), parsed.error.c_str());
}

void tst_sigrokparts::scanOptionOutsideDriverListIsRefused() {
    const std::array<std::uint32_t, 2> demoScanKeys{SR_CONF_NUM_LOGIC_CHANNELS,
                                                    SR_CONF_NUM_ANALOG_CHANNELS};
    const std::vector<Setting> good{{"logic_channels", "2"}, {"analog_channels", "1"}};
    const auto accepted = toConfigValues(good, demoScanKeys);
    QVERIFY2(accepted.value, accepted.error.c_str());
    QCOMPARE(accepted.value->size(), std::size_t{2});
    QCOMPARE(accepted.value->at(1).text, std::string("analog_channels=1"));

    const std::vector<Setting> bad{{"logic_channels", "2"}, {"samplerate", "1k"}};
    const auto refused = toConfigValues(bad, demoScanKeys);
    QVERIFY(!refused.value);
    QCOMPARE(refused.error,
             std::string("the driver takes no 'samplerate' here (it takes logic_channels, "
                         "analog_channels)"));
    // No list of allowed keys: any key libsigrok knows.
    QVERIFY(toConfigValues(bad).value);
}

void tst_sigrokparts::historyKeepsNewestOldestFirst() {
    ChannelHistory history;
    QCOMPARE(history.header(), 0);
    QCOMPARE(history.byteCount(), std::size_t{0});

    const std::vector<std::uint8_t> first(100, 1);
    history.append(first, 100);
    QCOMPARE(history.byteCount(), std::size_t{100});
    QCOMPARE(history.header(), 100);

    // 40 more: the oldest 12 of the first packet make room.
    std::vector<std::uint8_t> second(40);
    for (std::size_t i = 0; i < second.size(); ++i)
        second[i] = static_cast<std::uint8_t>(i + 2);
    history.append(second, 40);
    QCOMPARE(history.byteCount(), std::size_t{128});
    QCOMPARE(history.header(), 140);
    const RawBytes& held = history.bytes();
    QCOMPARE(bytes(std::span(held).first(88)), QByteArray(88, '\1'));
    QCOMPARE(bytes(std::span(held).subspan(88)), bytes(second));

    // A packet larger than the history: only its newest 128 bytes count.
    std::vector<std::uint8_t> large(300);
    for (std::size_t i = 0; i < large.size(); ++i)
        large[i] = static_cast<std::uint8_t>(i);
    history.append(large, 300);
    QCOMPARE(bytes(history.bytes()), bytes(std::span(large).last(128)));
    QCOMPARE(history.header(), 440);

    // Four-byte elements stay whole as they shift.
    ChannelHistory analog;
    const QByteArray three = floatBytes({1, 2, 3});
    const QByteArray thirty = floatBytes(std::vector<float>(30, 9.5F));
    analog.append(asBytes(three), 3);
    analog.append(asBytes(thirty), 30);
    QCOMPARE(bytes(analog.bytes()), floatBytes({2, 3}) + thirty);
}

void tst_sigrokparts::headerWrapsWithin31Bits() {
    ChannelHistory history;
    const std::array<std::uint8_t, 1> one{1};
    history.append(one, 0x7FFF'FFFE);
    QCOMPARE(history.header(), std::numeric_limits<std::int32_t>::max() - 1);
    history.append(one, 1);
    QCOMPARE(history.header(), std::numeric_limits<std::int32_t>::max());
    history.append(one, 3);
    QCOMPARE(history.header(), 2);
    history.append(one, std::uint64_t{1} << 40);
    QCOMPARE(history.header(), 2);
}

void tst_sigrokparts::logicTailTakesTheChannelBit_data() {
    QTest::addColumn<int>("length"); // in samples
    QTest::addColumn<int>("unitsize");
    QTest::addColumn<int>("bit");

    QTest::newRow("short packet, bit 0") << 5 << 1 << 0;
    QTest::newRow("long packet, bit 7") << 300 << 1 << 7;
    QTest::newRow("two-byte samples, bit 9") << 200 << 2 << 9;
    QTest::newRow("four-byte samples, bit 30") << 129 << 4 << 30;
}

void tst_sigrokparts::logicTailTakesTheChannelBit() {
    QFETCH(int, length);
    QFETCH(int, unitsize);
    QFETCH(int, bit);

    // Sample i has the channel's bit set when i % 3 == 0, and every other bit
    // the opposite, so a wrong bit or a wrong sample shows.
    const auto size = static_cast<std::size_t>(unitsize);
    std::vector<std::uint8_t> samples(static_cast<std::size_t>(length) * size);
    for (std::size_t i = 0; i < static_cast<std::size_t>(length); ++i) {
        const bool set = i % 3 == 0;
        for (std::size_t b = 0; b < 8 * size; ++b) {
            if ((b == static_cast<std::size_t>(bit)) == set)
                samples[i * size + b / 8] |= static_cast<std::uint8_t>(1U << (b % 8));
        }
    }
    RawBytes out;
    out.fill(0xAA);
    const std::size_t count = logicTail(samples.data(), static_cast<std::uint64_t>(length), size,
                                        static_cast<std::size_t>(bit), out);
    QCOMPARE(count, std::min<std::size_t>(static_cast<std::size_t>(length), 128));
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t sample = static_cast<std::size_t>(length) - count + i;
        QCOMPARE(out[i], std::uint8_t(sample % 3 == 0 ? 1 : 0));
    }
    for (std::size_t i = count; i < out.size(); ++i)
        QCOMPARE(out[i], std::uint8_t(0xAA));
    // A bit beyond the sample gives nothing.
    QCOMPARE(logicTail(samples.data(), static_cast<std::uint64_t>(length), size, 8 * size, out),
             std::size_t{0});
}

void tst_sigrokparts::analogTailTakesOneInterleavedChannel() {
    // Three channels, 40 samples: value = channel * 1000 + sample.
    std::vector<float> values;
    for (int sample = 0; sample < 40; ++sample) {
        for (int channel = 0; channel < 3; ++channel)
            values.push_back(static_cast<float>(channel * 1000 + sample));
    }
    RawBytes out{};
    QCOMPARE(analogTail(values, 3, 1, out), std::size_t{128});
    std::vector<float> expected;
    for (int sample = 8; sample < 40; ++sample)
        expected.push_back(static_cast<float>(1000 + sample));
    QCOMPARE(bytes(out), floatBytes(expected));

    RawBytes few{};
    const std::vector<float> two{1.5F, -2.5F};
    QCOMPARE(analogTail(two, 1, 0, few), std::size_t{8});
    QCOMPARE(bytes(std::span(few).first(8)), floatBytes(two));
    QCOMPARE(analogTail(two, 1, 1, few), std::size_t{0});
}

void tst_sigrokparts::sensorNameKeepsPlainCharacters_data() {
    QTest::addColumn<QByteArray>("channel");
    QTest::addColumn<QByteArray>("name");

    QTest::newRow("plain") << QByteArray("D0") << QByteArray("D0");
    QTest::newRow("dash and underscore") << QByteArray("P1-a_b") << QByteArray("P1-a_b");
    QTest::newRow("blank") << QByteArray("CH 1") << QByteArray("CH1");
    QTest::newRow("UTF-8 and symbols") << QByteArray("T(\xC2\xB0"
                                                     "C)")
                                       << QByteArray("TC");
    QTest::newRow("nothing kept") << QByteArray("\xC2\xB1 ") << QByteArray("5");
    QTest::newRow("empty") << QByteArray("") << QByteArray("5");
}

void tst_sigrokparts::sensorNameKeepsPlainCharacters() {
    QFETCH(QByteArray, channel);
    QFETCH(QByteArray, name);
    QCOMPARE(QByteArray::fromStdString(sensorName(channel.toStdString(), 5)), name);
}

void tst_sigrokparts::aPollAnswersFromOneState() {
    ModuleState state;
    std::int32_t header = -1;
    std::int32_t count = -1;
    QVERIFY(!state.poll());
    state.rawInfo(0, header, count);
    QCOMPARE(header, 0);
    QCOMPARE(count, 0);

    state.connect({{"D0", DataType::Bool}, {"A0", DataType::Real4}});
    const std::array<std::uint8_t, 3> first{1, 0, 1};
    state.update([&](std::span<ChannelHistory> histories) { histories[0].append(first, 3); });
    QVERIFY(state.poll());

    // Data arriving and the device lost after the poll change nothing
    // until the next one.
    const std::array<std::uint8_t, 2> second{0, 0};
    state.update([&](std::span<ChannelHistory> histories) { histories[0].append(second, 2); });
    state.disconnect();
    QCOMPARE(state.sensorCount(), 2);
    state.rawInfo(0, header, count);
    QCOMPARE(header, 3);
    QCOMPARE(count, 3);
    RawBytes buffer;
    buffer.fill(0xAA);
    QCOMPARE(state.rawData(0, buffer.data()), std::size_t{3});
    QCOMPARE(bytes(std::span(buffer).first(4)), QByteArray("\1\0\1\xAA", 4));

    // Indices that name no sensor: nothing written.
    buffer.fill(0xAA);
    for (const std::int32_t index : {-1, 2, 32}) {
        state.rawInfo(index, header, count);
        QCOMPARE(header, 0);
        QCOMPARE(count, 0);
        QCOMPARE(state.rawData(index, buffer.data()), std::size_t{0});
    }
    QCOMPARE(buffer[0], std::uint8_t(0xAA));

    QVERIFY(!state.poll());
    QCOMPARE(state.sensorCount(), 0);
    QCOMPARE(state.rawData(0, buffer.data()), std::size_t{0});
}

void tst_sigrokparts::silenceLimitFollowsThePace() {
    using namespace std::chrono_literals;
    const Pace::Clock::time_point start{};
    Pace meter;
    meter.started(start);
    // Waiting for a first packet.
    QVERIFY(!meter.silent(start + 9s));
    QVERIFY(meter.silent(start + 11s));
    // A fast meter that stops: the floor.
    meter.delivered(start + 1s);
    meter.delivered(start + 1250ms);
    QVERIFY(!meter.silent(start + 4s));
    QVERIFY(meter.silent(start + 4300ms));
    // A slow logger: ten times its longest gap.
    meter.delivered(start + 21250ms);
    QVERIFY(!meter.silent(start + 21250ms + 179s));
    QVERIFY(meter.silent(start + 21250ms + 181s));

    // A stated sample rate counts as a gap even before one is seen.
    Pace logger;
    logger.expectPeriod(30s);
    logger.started(start);
    logger.delivered(start + 1s);
    QVERIFY(!logger.silent(start + 1s + 179s));
}

void tst_sigrokparts::connectionNodes_data() {
    QTest::addColumn<QByteArray>("id");
    QTest::addColumn<QByteArray>("node");

    QTest::newRow("serial port") << QByteArray("/dev/ttyUSB0") << QByteArray("/dev/ttyUSB0");
    QTest::newRow("USB port path")
        << QByteArray("3-2.1") << QByteArray("/sys/bus/usb/devices/3-2.1");
    QTest::newRow("network") << QByteArray("tcp-raw/192.0.2.10/5555") << QByteArray();
    QTest::newRow("no path climbing") << QByteArray("1-../..") << QByteArray();
    QTest::newRow("vendor and product") << QByteArray("1a86.e008") << QByteArray();
}

void tst_sigrokparts::connectionNodes() {
    QFETCH(QByteArray, id);
    QFETCH(QByteArray, node);
    QCOMPARE(QByteArray::fromStdString(connectionNode(id.toStdString())), node);
}

void tst_sigrokparts::describeCutsLongNamesAndRefusesBadIndices() {
    ModuleState state;
    state.connect({{std::string(200, 'x'), DataType::Real4}, {"D1", DataType::Bool}});
    QVERIFY(state.poll());
    std::array<char, 128> name;
    name.fill('#');
    std::int32_t type = -1;
    QVERIFY(state.describe(0, name.data(), name.size(), type));
    QCOMPARE(type, 4);
    QCOMPARE(QByteArray(name.data(), 128), QByteArray(127, 'x') + '\0');

    name.fill('#');
    QVERIFY(state.describe(1, name.data(), name.size(), type));
    QCOMPARE(type, 0);
    QCOMPARE(QByteArray(name.data(), 4), QByteArray("D1\0#", 4));

    type = -1;
    QVERIFY(!state.describe(2, name.data(), name.size(), type));
    QVERIFY(!state.describe(-1, name.data(), name.size(), type));
    QCOMPARE(type, -1);
}

QTEST_GUILESS_MAIN(tst_sigrokparts)
#include "tst_sigrokparts.moc"
