// Both ends of a module watched over MQTT, for the tests: the agent as a
// process beside the simulated module, and the MQTT library loaded as
// Solvane loads it.
#pragma once

#include "loadedquelbin.h"

#include <QProcess>
#include <QTemporaryDir>

#include <functional>

class TestBroker;

// Runs until `done` holds or `limitMs` passes; the time it took, or -1.
qint64 waitFor(const std::function<bool()>& done, int limitMs);

// solvane-agent over the simulated module, logged in as `user` (its password
// is the user's, see testbroker.h), under `locale`; ended with the object.
// With `systemCertificates`, it is given no CA file: the broker's CA is then
// the only one in OpenSSL's store of the system's certificates, as
// SSL_CERT_FILE names it.
class Agent {
public:
    Agent(TestBroker& broker, const QString& module, const QString& user, bool allowCommands,
          const QByteArray& locale = "C.UTF-8", bool systemCertificates = false);
    ~Agent();
    Agent(const Agent&) = delete;
    Agent& operator=(const Agent&) = delete;

    void killHard(); // no goodbye, no will sent by the agent itself
    // The commands it ran so far, as its output lines say.
    int commandsRun();
    bool running() const { return m_process.state() == QProcess::Running; }
    // Its standard error so far.
    QByteArray errors();
    // Its exit status once it ended within `limitMs`, else -1.
    int exitStatus(int limitMs);

private:
    QProcess m_process;
    QByteArray m_output;
    QByteArray m_errors;
};

// The library, loaded with the variables set; unloaded with the object, its
// thread stopped (on Windows it stays loaded, see
// libs/staysloaded/staysloaded.h, and its link goes on).
class Viewer : public LoadedQuelbin {
public:
    Viewer(TestBroker& broker, const QString& module, const QString& user, const QString& password,
           const QString& caFile);
    ~Viewer();

    bool connected() { return getNbAcqui() > 0; }
    // The first command whose name starts with `start`, or -1.
    std::int32_t command(const QByteArray& start);

private:
    QTemporaryDir m_folder;
};
