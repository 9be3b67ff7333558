#include "serialmeter.h"

#include <QDir>
#include <QFile>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <utility>

namespace {

using namespace std::chrono_literals;

// Packets no closer than a real meter's at its line speed: 14 bytes take
// 117 ms at 1200 bauds, 58 ms at 2400. A polled meter answers within the
// 50 ms after which the driver asks again.
std::chrono::milliseconds spacing(MeterProtocol protocol) {
    return protocol == MeterProtocol::fs9721 ? 60ms : 30ms;
}

// "DC  1.234   V\r": mode, value and unit in fixed fields.
QByteArray metex14(const Reading& reading) {
    const QByteArray mode = reading.unit == "kOhm" ? "OH" : "DC";
    return mode + reading.digits.rightJustified(7, ' ') + reading.unit.rightJustified(4, ' ') +
           '\r';
}

// Byte i carries i + 1 in its high nibble, four LCD segments in its low one;
// each digit spans two bytes, the sign or the point before it in bit 3 of
// the first.
QByteArray fs9721(const Reading& reading) {
    constexpr std::array<unsigned char, 10> segments{0x7d, 0x05, 0x5b, 0x1f, 0x27,
                                                     0x3e, 0x7e, 0x15, 0x7f, 0x3f};
    std::array<unsigned char, 14> lcd{};
    lcd[0] = 0x7; // DC, auto range, RS232
    std::size_t digit = 0;
    for (const char c : reading.digits) {
        if (c == '-' || c == '.') {
            lcd[1 + 2 * digit] |= 0x8;
        } else {
            const unsigned char lit = segments[static_cast<std::size_t>(c - '0')];
            lcd[1 + 2 * digit] |= lit >> 4;
            lcd[2 + 2 * digit] |= lit & 0xF;
            ++digit;
        }
    }
    if (reading.unit == "kOhm") {
        lcd[9] |= 0x2;  // kilo
        lcd[11] |= 0x4; // ohm
    } else {
        if (reading.unit == "mV")
            lcd[10] |= 0x8; // milli
        lcd[12] |= 0x4;     // volt
    }
    QByteArray packet;
    for (std::size_t i = 0; i < lcd.size(); ++i)
        packet += static_cast<char>(((i + 1) << 4) | lcd[i]);
    return packet;
}

} // namespace

SerialMeter::SerialMeter(MeterProtocol protocol, int number, std::optional<Reading> shown)
    : m_protocol(protocol), m_port("/dev/ttySLV" + QByteArray::number(number)),
      m_link(qgetenv("SOLVANE_FAKE_TTY_DIR") + "/ttySLV" + QByteArray::number(number)),
      m_shown(std::move(shown)) {
    plug();
    m_thread = std::thread([this] { run(); });
}

SerialMeter::~SerialMeter() {
    {
        const std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    m_thread.join();
    unplug();
}

void SerialMeter::send(const QList<Reading>& readings) {
    const std::lock_guard lock(m_mutex);
    m_waiting.insert(m_waiting.end(), readings.begin(), readings.end());
}

void SerialMeter::keepShowing(std::optional<Reading> reading) {
    const std::lock_guard lock(m_mutex);
    m_shown = std::move(reading);
}

void SerialMeter::stallNextPacket(std::chrono::milliseconds pause) {
    const std::lock_guard lock(m_mutex);
    m_stall = pause;
}

void SerialMeter::unplug() {
    const std::lock_guard lock(m_mutex);
    if (m_master < 0)
        return;
    unlink(m_link.constData());
    close(m_master);
    close(m_slave);
    m_master = m_slave = -1;
    ++m_generation;
}

void SerialMeter::plug() {
    const std::lock_guard lock(m_mutex);
    m_master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    std::array<char, 64> slave{};
    if (m_master < 0 || grantpt(m_master) != 0 || unlockpt(m_master) != 0 ||
        ptsname_r(m_master, slave.data(), slave.size()) != 0)
        qFatal("no pseudo-terminal");
    // Held open, so that the master never reads a hang-up, and raw from the
    // start: what is sent before the driver sets the port up arrives as sent
    // and nothing is echoed back as a request.
    m_slave = open(slave.data(), O_RDWR | O_NOCTTY);
    termios settings{};
    tcgetattr(m_slave, &settings);
    cfmakeraw(&settings);
    tcsetattr(m_slave, TCSANOW, &settings);
    if (symlink(slave.data(), m_link.constData()) != 0)
        qFatal("cannot link %s", m_link.constData());
    m_slavePath = slave.data();
    m_requests = 0;
}

bool SerialMeter::opened() {
    const std::lock_guard lock(m_mutex);
    if (m_master < 0)
        return false;
    // The meter's own descriptor is one of them.
    const QDir descriptors(QStringLiteral("/proc/self/fd"));
    int count = 0;
    for (const QString& fd :
         descriptors.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)) {
        if (QFile::symLinkTarget(descriptors.filePath(fd)) == QFile::decodeName(m_slavePath))
            ++count;
    }
    return count > 1;
}

// Whether a packet is to go now. The polled meter counts the requests it
// is sent, answered or not.
bool SerialMeter::due() {
    if (std::chrono::steady_clock::now() < m_nextPacket)
        return false;
    if (m_protocol == MeterProtocol::fs9721)
        return true;
    std::array<char, 64> received{};
    ssize_t count = 0;
    while ((count = read(m_master, received.data(), received.size())) > 0)
        m_requests += static_cast<int>(std::count(received.begin(), received.begin() + count, 'D'));
    if (m_requests == 0)
        return false;
    --m_requests;
    return true;
}

void SerialMeter::write(const QByteArray& bytes) {
    // Lost when nobody reads, as on a real line.
    [[maybe_unused]] const ssize_t written =
        ::write(m_master, bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

void SerialMeter::run() {
    std::unique_lock lock(m_mutex);
    while (!m_stop) {
        m_wake.wait_for(lock, 5ms);
        if (m_master < 0 || !due())
            continue;
        std::optional<Reading> reading = m_shown;
        if (!m_waiting.empty()) {
            reading = m_waiting.front();
            m_waiting.pop_front();
        }
        if (!reading)
            continue;
        const QByteArray answer = QByteArray::number(++m_answers % 1000).rightJustified(3, '0');
        QList<QByteArray> packets;
        for (int display = 1; m_protocol == MeterProtocol::metex14quad && display <= 4; ++display)
            packets << metex14({QByteArray::number(display) + '.' + answer, "V"});
        if (packets.isEmpty())
            packets << (m_protocol == MeterProtocol::fs9721 ? fs9721(*reading) : metex14(*reading));
        // The packets of an answer one after the other, as a line carries
        // them (14 bytes at 9600 bauds take 16 ms); a stall in the middle one.
        const unsigned generation = m_generation;
        const auto pause = std::exchange(m_stall, 0ms);
        for (qsizetype i = 0; i < packets.size(); ++i) {
            QByteArray rest = packets[i];
            if (i > 0)
                m_wake.wait_for(lock, 16ms, [this] { return m_stop; });
            if (pause > 0ms && i == packets.size() / 2) {
                write(rest.first(rest.size() / 2));
                m_wake.wait_for(lock, pause, [this] { return m_stop; });
                rest = rest.sliced(rest.size() / 2);
            }
            if (m_generation == generation)
                write(rest);
        }
        m_nextPacket = std::chrono::steady_clock::now() + spacing(m_protocol);
    }
}
