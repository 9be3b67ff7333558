#include "testbroker.h"

#include <QElapsedTimer>
#include <QFile>
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

void writeFile(const QString& path, const QByteArray& content) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
        qFatal("cannot write %s", qPrintable(path));
}

} // namespace

void endWithTest(QProcess& process) {
    process.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGKILL); });
}

TestBroker::TestBroker() : m_port(freePort()) {
    if (!m_dir.isValid())
        qFatal("no temporary folder");
    makeCertificates();
    const QString passwords = path(QStringLiteral("passwd"));
    writeFile(passwords, {});
    for (const char* user : {"agent", "operator", "viewer"}) {
        if (!run(QStringLiteral("mosquitto_passwd"),
                 {QStringLiteral("-b"), passwords, QLatin1String(user),
                  QLatin1String(user) + QStringLiteral("-pw")}))
            qFatal("mosquitto_passwd failed");
    }
    writeFile(path(QStringLiteral("acl")), "user agent\n"
                                           "topic readwrite solvane/#\n"
                                           "user operator\n"
                                           "topic read solvane/#\n"
                                           "topic write solvane/+/command\n"
                                           "user viewer\n"
                                           "topic read solvane/#\n");
    writeFile(path(QStringLiteral("mosquitto.conf")),
              "per_listener_settings false\n"
              "allow_anonymous false\n"
              "password_file " +
                  path(QStringLiteral("passwd")).toUtf8() +
                  "\n"
                  "acl_file " +
                  path(QStringLiteral("acl")).toUtf8() +
                  "\n"
                  "persistence false\n"
                  "log_dest none\n"
                  "user root\n" // only read when run as root: keeps the test's files readable
                  "listener " +
                  QByteArray::number(m_port) +
                  " 127.0.0.1\n"
                  "cafile " +
                  caFile().toUtf8() +
                  "\n"
                  "certfile " +
                  path(QStringLiteral("server.crt")).toUtf8() +
                  "\n"
                  "keyfile " +
                  path(QStringLiteral("server.key")).toUtf8() + "\n");
    if (!start())
        qFatal("mosquitto does not start");
}

TestBroker::~TestBroker() {
    thaw();
    stop();
}

bool TestBroker::run(const QString& program, const QStringList& arguments) {
    QProcess process; // its output unread: only its status counts
    process.start(program, arguments);
    return process.waitForFinished(30000) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

void TestBroker::makeCertificates() {
    const QString openssl = QStringLiteral("openssl");
    const QStringList ecKey = {
        QStringLiteral("-newkey"), QStringLiteral("ec"), QStringLiteral("-pkeyopt"),
        QStringLiteral("ec_paramgen_curve:prime256v1"), QStringLiteral("-nodes")};
    for (const QString& ca : {QStringLiteral("ca"), QStringLiteral("other-ca")}) {
        if (!run(openssl,
                 QStringList{QStringLiteral("req"), QStringLiteral("-x509")} + ecKey +
                     QStringList{QStringLiteral("-keyout"), path(ca + QStringLiteral(".key")),
                                 QStringLiteral("-out"), path(ca + QStringLiteral(".crt")),
                                 QStringLiteral("-days"), QStringLiteral("2"),
                                 QStringLiteral("-subj"), QStringLiteral("/CN=Test ") + ca}))
            qFatal("openssl: no CA");
    }
    writeFile(path(QStringLiteral("server.ext")), "subjectAltName=IP:127.0.0.1,DNS:localhost\n");
    if (!run(openssl, QStringList{QStringLiteral("req")} + ecKey +
                          QStringList{QStringLiteral("-keyout"), path(QStringLiteral("server.key")),
                                      QStringLiteral("-out"), path(QStringLiteral("server.csr")),
                                      QStringLiteral("-subj"), QStringLiteral("/CN=localhost")}) ||
        !run(openssl,
             {QStringLiteral("x509"), QStringLiteral("-req"), QStringLiteral("-in"),
              path(QStringLiteral("server.csr")), QStringLiteral("-CA"), caFile(),
              QStringLiteral("-CAkey"), path(QStringLiteral("ca.key")),
              QStringLiteral("-CAcreateserial"), QStringLiteral("-out"),
              path(QStringLiteral("server.crt")), QStringLiteral("-days"), QStringLiteral("2"),
              QStringLiteral("-extfile"), path(QStringLiteral("server.ext"))}))
        qFatal("openssl: no server certificate");
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
    if (m_broker.state() == QProcess::NotRunning)
        return;
    m_broker.terminate();
    if (!m_broker.waitForFinished(5000)) {
        m_broker.kill();
        m_broker.waitForFinished(5000);
    }
}

void TestBroker::freeze() {
    if (m_broker.state() == QProcess::Running)
        ::kill(static_cast<pid_t>(m_broker.processId()), SIGSTOP);
}

void TestBroker::thaw() {
    if (m_broker.state() == QProcess::Running)
        ::kill(static_cast<pid_t>(m_broker.processId()), SIGCONT);
}

QString TestBroker::url(const QString& module) const {
    return QStringLiteral("mqtts://127.0.0.1:%1").arg(m_port) +
           (module.isEmpty() ? QString() : QLatin1Char('/') + module);
}

QString TestBroker::caFile() const {
    return path(QStringLiteral("ca.crt"));
}

QString TestBroker::otherCaFile() const {
    return path(QStringLiteral("other-ca.crt"));
}

QString TestBroker::passwordFile(const QString& password) {
    const QString file = path(QStringLiteral("password-%1").arg(++m_files));
    writeFile(file, password.toUtf8() + "\n");
    return file;
}
