// A real mosquitto broker for the MQTT tests, on a free loopback port, with
// TLS certificates, users and access rules made at start by
// tests/support/testbroker.sh (which names the users and their passwords).
// On Linux the object starts the broker and stops it with itself; a Windows
// test runs inside `testbroker.sh run` and the object names that broker, which
// it can neither stop nor freeze.
#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// The process is killed if the test process dies first, so that a crashed
// test leaves no broker or agent behind.
void endWithTest(QProcess& process);
// Ends the process and waits for it: asked first where the system can ask.
void endProcess(QProcess& process);

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
    QString path(const QString& name) const { return m_folder + QLatin1Char('/') + name; }

    QTemporaryDir m_dir; // the password files; on Linux the broker's too
    QString m_folder;    // the broker's files
    int m_port = 0;
    QProcess m_broker;
    int m_files = 0;
};
