// Serial multimeters emulated on pseudo-terminals, for libsigrok's serial
// DMM drivers: a meter's port is /dev/ttySLV<N> to a process that preloads
// the fake serial library (fakeserial/), with SOLVANE_FAKE_TTY_DIR naming
// the folder where the port's symlink lives. Each meter runs on a thread.
#pragma once

#include <QByteArray>
#include <QList>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>

// What the meter's display shows: digits with sign and point ("-0.500"),
// in "V", "mV" or "kOhm".
struct Reading {
    QByteArray digits;
    QByteArray unit;
};

enum class MeterProtocol {
    metex14,     // ASCII packets, one for each 'D' the meter is sent
    fs9721,      // LCD segments in binary packets, sent by the meter by itself
    metex14quad, // four metex14 packets for each 'D', one per display
};

class SerialMeter {
public:
    // Plugged in as /dev/ttySLV<number>, showing `shown` (nothing: silent).
    // Whatever it is shown, display d of a four-display meter shows d + 1
    // and the answer's number in thousandths: a value tells its display.
    SerialMeter(MeterProtocol protocol, int number, std::optional<Reading> shown = {});
    ~SerialMeter();
    SerialMeter(const SerialMeter&) = delete;
    SerialMeter& operator=(const SerialMeter&) = delete;

    QByteArray port() const { return m_port; }
    // Each sent once, in order, after those still waiting.
    void send(const QList<Reading>& readings);
    // What the meter sends once nothing waits; nothing: it is silent.
    void keepShowing(std::optional<Reading> reading);
    // The next packet (of an answer of four, the third): its first half, the
    // pause, then the rest.
    void stallNextPacket(std::chrono::milliseconds pause);
    // The port disappears as when a USB adapter is pulled out.
    void unplug();
    // The port is back under the same name, on a new pseudo-terminal.
    void plug();
    // Someone besides the meter has the port open: a driver scanning or
    // acquiring.
    bool opened();

private:
    void run();
    bool due();
    void write(const QByteArray& bytes);

    const MeterProtocol m_protocol;
    const QByteArray m_port;
    const QByteArray m_link;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    int m_master = -1;
    int m_slave = -1;
    QByteArray m_slavePath;
    unsigned m_generation = 0;
    std::deque<Reading> m_waiting;
    std::optional<Reading> m_shown;
    std::chrono::milliseconds m_stall{0};
    int m_requests = 0;
    int m_answers = 0;
    std::chrono::steady_clock::time_point m_nextPacket;
    bool m_stop = false;
    std::thread m_thread;
};
