// solvane-agent: publishes the acquisition module to an MQTT broker.
#include "agent.h"
#include "agentoptions.h"
#include "modulereader.h"
#include "platform/runtimeerror.h"

#include <mosquitto.h>

#include <QCoreApplication>

#include <atomic>
#include <csignal>
#include <cstdio>

namespace {

std::atomic<bool> stopRequested{false};

extern "C" void onStopSignal(int) {
    stopRequested = true;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("solvane-agent"));

    const agent::ParsedOptions parsed = agent::parseOptions(QCoreApplication::arguments());
    if (parsed.help) {
        std::fputs(qPrintable(parsed.message), stdout);
        return 0;
    }
    if (!parsed.options) {
        std::fprintf(stderr, "solvane-agent: %s\n", qPrintable(parsed.message));
        return 2;
    }

    try {
        agent::ModuleReader::loadLibraries();
    } catch (const platform::RuntimeError& error) {
        std::fprintf(stderr, "solvane-agent: %s\n", qPrintable(error.description().simplified()));
        return 1;
    }

    std::signal(SIGINT, onStopSignal);
    std::signal(SIGTERM, onStopSignal);
    mosquitto_lib_init();
    int status = 0;
    try {
        agent::Agent agent(*parsed.options);
        status = agent.run(stopRequested);
    } catch (const platform::RuntimeError& error) {
        std::fprintf(stderr, "solvane-agent: %s\n", qPrintable(error.description().simplified()));
        status = 1;
    }
    mosquitto_lib_cleanup();
    return status;
}
