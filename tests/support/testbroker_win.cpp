#include "testbroker.h"

#include <QtGlobal>

#include <windows.h>

void endWithTest(QProcess& process) {
    // In a job that ends its processes when its last handle closes, which
    // the system does when the test process ends, however it ends.
    static const HANDLE job = [] {
        const HANDLE made = CreateJobObjectW(nullptr, nullptr);
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        SetInformationJobObject(made, JobObjectExtendedLimitInformation, &limits, sizeof(limits));
        return made;
    }();
    QObject::connect(&process, &QProcess::started, [&process] {
        const HANDLE child = OpenProcess(PROCESS_SET_QUOTA | PROCESS_TERMINATE, FALSE,
                                         static_cast<DWORD>(process.processId()));
        if (child != nullptr) {
            AssignProcessToJobObject(job, child);
            CloseHandle(child);
        }
    });
}

void endProcess(QProcess& process) {
    // A console program has no window to receive terminate()'s close request.
    if (process.state() == QProcess::NotRunning)
        return;
    process.kill();
    process.waitForFinished(10000);
}

// Wine shows the Unix file system as drive Z:.
TestBroker::TestBroker()
    : m_folder(QStringLiteral("Z:") + qEnvironmentVariable("SOLVANE_TEST_BROKER_DIR")),
      m_port(qEnvironmentVariableIntValue("SOLVANE_TEST_BROKER_PORT")) {
    if (m_port == 0 || !m_dir.isValid())
        qFatal("no broker: run the test through tests/support/testbroker.sh run");
}

TestBroker::~TestBroker() = default;

bool TestBroker::start() {
    return true; // started before the test, by testbroker.sh
}

void TestBroker::stop() {
    qFatal("a Windows test cannot stop the broker");
}

void TestBroker::freeze() {
    qFatal("a Windows test cannot freeze the broker");
}

void TestBroker::thaw() {
    qFatal("a Windows test cannot thaw the broker");
}
