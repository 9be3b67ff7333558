// A real mosquitto broker for the MQTT tests, on a free loopback port, with
// TLS certificates, users and access rules made at start; stopped with the
// object. Users: "agent" (writes the module's topics), "operator" (reads
// them, may send commands), "viewer" (reads only); each password is the
// user name followed by "-pw".
#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// The process is killed if the test process dies first, so that a crashed
// test leaves no broker or agent behind.
void endWithTest(QProcess& process);

class TestBroker {
public:
    TestBroker();
    ~TestBroker();
    TestBroker(const TestBroker&) = delete;
    TestBroker& operator=(const TestBroker&) = delete;

    // Starts (again) on the same port; false if it does not listen within 5 s.
    bool start();
    void stop();
    void freeze(); // SIGSTOP
    void thaw();   // SIGCONT

    int port() const { return m_port; }
    qint64 processId() const { return m_broker.processId(); }
    QString url(const QString& module = {}) const; // mqtts://127.0.0.1:PORT[/module]
    QString caFile() const;                        // the CA that signed the broker's certificate
    QString otherCaFile() const;                   // a CA that signed nothing of it
    // A file holding `password`, for the --password-file option and variable.
    QString passwordFile(const QString& password);

private:
    bool run(const QString& program, const QStringList& arguments);
    void makeCertificates();
    QString path(const QString& name) const { return m_dir.filePath(name); }

    QTemporaryDir m_dir;
    int m_port = 0;
    QProcess m_broker;
    int m_files = 0;
};
