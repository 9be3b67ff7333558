// A network instrument that accepts a connection on a loopback port and then
// never answers: libsigrok's scan of it waits for as long as the connection
// stays open. For the tests and the benchmark of the libsigrok library.
#pragma once

#include <string>

class SilentInstrument {
public:
    SilentInstrument(); // listening on a free loopback port
    ~SilentInstrument();
    SilentInstrument(const SilentInstrument&) = delete;
    SilentInstrument& operator=(const SilentInstrument&) = delete;

    // The device string that reaches it through libsigrok.
    std::string device() const;
    // Waits up to `milliseconds` for the library to connect.
    bool accept(int milliseconds);
    // The connection is still open, what the library sent left unanswered.
    bool waiting();

private:
    int m_listener = -1;
    int m_peer = -1;
    int m_port = 0;
};
