#include "silentinstrument.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <stdexcept>

SilentInstrument::SilentInstrument() : m_listener(socket(AF_INET, SOCK_STREAM, 0)) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (m_listener < 0 || bind(m_listener, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        listen(m_listener, 1) != 0 ||
        getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        throw std::runtime_error("cannot listen on a loopback port");
    m_port = ntohs(address.sin_port);
}

SilentInstrument::~SilentInstrument() {
    if (m_peer >= 0)
        close(m_peer);
    if (m_listener >= 0)
        close(m_listener);
}

std::string SilentInstrument::device() const {
    return "rigol-ds:conn=tcp-raw/127.0.0.1/" + std::to_string(m_port);
}

bool SilentInstrument::accept(int milliseconds) {
    pollfd incoming{m_listener, POLLIN, 0};
    if (poll(&incoming, 1, milliseconds) != 1)
        return false;
    m_peer = ::accept(m_listener, nullptr, nullptr);
    return m_peer >= 0;
}

bool SilentInstrument::waiting() {
    std::array<char, 256> sent{};
    ssize_t read = 0;
    while ((read = recv(m_peer, sent.data(), sent.size(), MSG_DONTWAIT)) > 0) {
    }
    return read < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
}
