#include "mqttpeers.h"

#include "testbroker.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTest>

qint64 waitFor(const std::function<bool()>& done, int limitMs) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() <= limitMs) {
        if (done())
            return timer.elapsed();
        QTest::qWait(20);
    }
    return -1;
}

Agent::Agent(TestBroker& broker, const QString& module, const QString& user, bool allowCommands,
             const QByteArray& locale, bool systemCertificates) {
    // The simulated module and the conversion library first on the
    // program's library search path.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    const QString variable = QStringLiteral(SOLVANE_AGENT_SEARCH_VARIABLE);
    QString search = QDir::toNativeSeparators(
        QStringLiteral(SOLVANE_SIM_DIR) + QDir::listSeparator() + QStringLiteral(SOLVANE_LIB_DIR));
    if (!environment.value(variable).isEmpty())
        search += QDir::listSeparator() + environment.value(variable);
    environment.insert(variable, search);
    environment.insert(QStringLiteral("LC_ALL"), QString::fromLatin1(locale));
    if (systemCertificates)
        environment.insert(QStringLiteral("SSL_CERT_FILE"), broker.caFile());
    m_process.setProcessEnvironment(environment);
    QStringList arguments{
        QStringLiteral("--broker"),        broker.url(),
        QStringLiteral("--module"),        module,
        QStringLiteral("--username"),      user,
        QStringLiteral("--password-file"), broker.passwordFile(user + QStringLiteral("-pw"))};
    if (!systemCertificates)
        arguments << QStringLiteral("--cafile") << broker.caFile();
    if (allowCommands)
        arguments << QStringLiteral("--allow-commands");
    m_process.setProcessChannelMode(QProcess::SeparateChannels);
    endWithTest(m_process);
    m_process.start(QStringLiteral(SOLVANE_AGENT), arguments);
    if (!m_process.waitForStarted(30000))
        qFatal("the agent does not start");
}

Agent::~Agent() {
    endProcess(m_process);
}

void Agent::killHard() {
    m_process.kill();
    m_process.waitForFinished(5000);
}

QByteArray Agent::errors() {
    m_errors += m_process.readAllStandardError();
    return m_errors;
}

int Agent::exitStatus(int limitMs) {
    if (waitFor([&] { return m_process.state() == QProcess::NotRunning; }, limitMs) < 0)
        return -1;
    return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
}

int Agent::commandsRun() {
    m_output += m_process.readAllStandardOutput();
    return static_cast<int>(m_output.count("solvane-agent: command "));
}

Viewer::Viewer(TestBroker& broker, const QString& module, const QString& user,
               const QString& password, const QString& caFile) {
    qputenv("SOLVANE_MQTT_URL", broker.url(module).toUtf8());
    qputenv("SOLVANE_MQTT_USERNAME", user.toUtf8());
    qputenv("SOLVANE_MQTT_PASSWORD_FILE", broker.passwordFile(password).toUtf8());
    qputenv("SOLVANE_MQTT_CAFILE", caFile.toUtf8());
    // A copy of its own: on Windows a loaded library stays for the process's
    // life, and loading it again would find the first viewer's settings.
    const QString copy =
        m_folder.filePath(QFileInfo(QStringLiteral(SOLVANE_MQTT_LIBRARY)).fileName());
    if (!m_folder.isValid() || !QFile::copy(QStringLiteral(SOLVANE_MQTT_LIBRARY), copy))
        qFatal("cannot copy the MQTT library");
    load(copy);
}

Viewer::~Viewer() {
    // Before its folder goes with the copy.
    unload();
}

std::int32_t Viewer::command(const QByteArray& start) {
    for (std::int32_t i = 0; i < getNbCommands(); ++i) {
        if (commandName(i).startsWith(start))
            return i;
    }
    return -1;
}
