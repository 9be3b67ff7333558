#include "testbroker.h"

#include <QElapsedTimer>
#include <QTest>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// A port the system hands out as free now, on the loopback only.
int freePort() {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof(address);
    bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address));
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    close(fd);
    return ntohs(address.sin_port);
}

bool listening(int port) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0;
    close(fd);
    return ok;
}

} // namespace

void endWithTest(QProcess& process) {
    process.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGKILL); });
}

void endProcess(QProcess& process) {
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    if (!process.waitForFinished(5000)) {
        process.kill();
        process.waitForFinished(5000);
    }
}

TestBroker::TestBroker() : m_folder(m_dir.path()), m_port(freePort()) {
    if (!m_dir.isValid())
        qFatal("no temporary folder");
    QProcess prepare; // its output unread: only its status counts
    prepare.start(QStringLiteral(SOLVANE_TEST_BROKER_SCRIPT),
                  {QStringLiteral("prepare"), m_folder, QString::number(m_port)});
    if (!prepare.waitForFinished(30000) || prepare.exitStatus() != QProcess::NormalExit ||
        prepare.exitCode() != 0)
        qFatal("testbroker.sh prepare failed");
    if (!start())
        qFatal("mosquitto does not start");
}

TestBroker::~TestBroker() {
    thaw();
    stop();
}

bool TestBroker::start() {
    // Its start-up warnings come before its configuration silences it.
    m_broker.setStandardOutputFile(QProcess::nullDevice());
    m_broker.setStandardErrorFile(QProcess::nullDevice());
    endWithTest(m_broker);
    m_broker.start(QStringLiteral("mosquitto"),
                   {QStringLiteral("-c"), path(QStringLiteral("mosquitto.conf"))});
    if (!m_broker.waitForStarted(5000))
        return false;
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 5000) {
        if (listening(m_port))
            return true;
        QTest::qWait(20);
    }
    return false;
}

void TestBroker::stop() {
    endProcess(m_broker);
}

void TestBroker::freeze() {
    if (m_broker.state() == QProcess::Running)
        ::kill(static_cast<pid_t>(m_broker.processId()), SIGSTOP);
}

void TestBroker::thaw() {
    if (m_broker.state() == QProcess::Running)
        ::kill(static_cast<pid_t>(m_broker.processId()), SIGCONT);
}
