#include "agentoptions.h"

#include "printabletext.h"
#include "sensorlist.h"
#include "wire.h"

#include <QCommandLineParser>

#include <cmath>

namespace agent {

namespace {

QString description() {
    return QStringLiteral(
        "Publishes the acquisition module to an MQTT broker under solvane/<module>/.\n"
        "Loads the acquisition library (libQuelbin.so, Quelbin.dll) and the conversion\n"
        "library (libTarvox.so, Tarvox.dll) through the platform's library search, as\n"
        "Solvane does.\n" SOLVANE_AGENT_DOCUMENTS);
}

ParsedOptions failure(const QString& message) {
    return {std::nullopt, message, false};
}

// What the user gave, safe to print in a message.
QString shown(const QString& given) {
    return QString::fromStdString(solvane::shown(given.toStdString()));
}

} // namespace

ParsedOptions parseOptions(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(description());
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Shows this help."));
    const QCommandLineOption broker(
        QStringLiteral("broker"),
        QStringLiteral("The broker: mqtt://HOST[:PORT] (1883), or mqtts://HOST[:PORT] (8883) "
                       "for TLS with the broker's certificate checked. Required."),
        QStringLiteral("URL"));
    const QCommandLineOption module(
        QStringLiteral("module"),
        QStringLiteral("The module's name in the topics: 1 to 64 letters, digits, '-', '_' or "
                       "'.'. Required."),
        QStringLiteral("NAME"));
    const QCommandLineOption rate(QStringLiteral("rate"),
                                  QStringLiteral("Polls a second, 0.1 to 50 (default 5)."),
                                  QStringLiteral("N"));
    const QCommandLineOption sensors(
        QStringLiteral("sensors"),
        QStringLiteral("Publish the readings of these sensors only, e.g. 0,2,5-7 (default: all)."),
        QStringLiteral("LIST"));
    const QCommandLineOption allowCommands(
        QStringLiteral("allow-commands"),
        QStringLiteral("Run the commands received on solvane/<module>/command. Without it no "
                       "command is ever run."));
    const QCommandLineOption username(QStringLiteral("username"),
                                      QStringLiteral("The user name given to the broker."),
                                      QStringLiteral("NAME"));
    const QCommandLineOption passwordFile(
        QStringLiteral("password-file"),
        QStringLiteral("A file whose first line is the password given to the broker; with "
                       "--username."),
        QStringLiteral("FILE"));
    const QCommandLineOption caFile(
        QStringLiteral("cafile"),
        QStringLiteral("The certificate authorities that the broker's certificate must be "
                       "signed by (PEM); default: the system's."),
        QStringLiteral("FILE"));
    const QCommandLineOption passwordInClear(
        QStringLiteral("allow-password-in-clear"),
        QStringLiteral("Send the password over mqtt:// (no TLS) to a broker on another machine, "
                       "readable by anyone on the network. Without it that is refused."));
    parser.addOptions({help, broker, module, rate, sensors, allowCommands, username, passwordFile,
                       caFile, passwordInClear});

    if (!parser.parse(arguments))
        return failure(parser.errorText());
    if (parser.isSet(help))
        return {std::nullopt, parser.helpText(), true};
    if (!parser.positionalArguments().isEmpty())
        return failure(QStringLiteral("unexpected argument '%1'")
                           .arg(shown(parser.positionalArguments().front())));
    if (!parser.isSet(broker) || !parser.isSet(module))
        return failure(QStringLiteral("--broker and --module are required (see --help)"));

    AgentOptions options;
    solvane::mqtt::LinkSettings& link = options.link;
    const std::string url = parser.value(broker).toStdString();
    const auto address = solvane::mqtt::parseBrokerUrl(url);
    if (!address.value)
        return failure(QStringLiteral("--broker %1: %2")
                           .arg(QString::fromStdString(solvane::mqtt::shownUrl(url)),
                                QString::fromStdString(address.error)));
    if (!address.value->module.empty())
        return failure(QStringLiteral("--broker takes no module name: give it with --module"));
    link.address = *address.value;
    link.address.module = parser.value(module).toStdString();
    if (!solvane::mqtt::isValidModuleName(link.address.module))
        return failure(QStringLiteral("--module '%1': 1 to 64 letters, digits, '-', '_' or '.'")
                           .arg(shown(parser.value(module))));
    if (parser.isSet(rate)) {
        bool ok = false;
        options.rate = parser.value(rate).toDouble(&ok); // C locale: always '.'
        // "nan" and "inf" read as numbers: neither is a rate.
        if (!ok || !std::isfinite(options.rate) || options.rate < slowestRate ||
            options.rate > fastestRate)
            return failure(QStringLiteral("--rate '%1': a number from 0.1 to 50")
                               .arg(shown(parser.value(rate))));
    }
    if (parser.isSet(sensors)) {
        options.sensors = solvane::parseSensorList(parser.value(sensors).toStdString());
        if (!options.sensors)
            return failure(QStringLiteral("--sensors '%1': indices 0 to 31, e.g. 0,2,5-7")
                               .arg(shown(parser.value(sensors))));
    }
    options.allowCommands = parser.isSet(allowCommands);
    if (parser.isSet(username))
        link.username = parser.value(username).toStdString();
    if (parser.isSet(caFile))
        link.caFile = parser.value(caFile).toStdString();
    solvane::mqtt::SettingsSource source{std::nullopt, parser.isSet(passwordInClear),
                                         "--password-file", "--cafile",
                                         "--allow-password-in-clear"};
    if (parser.isSet(passwordFile))
        source.passwordFile = parser.value(passwordFile).toStdString();
    if (const auto problem = solvane::mqtt::completeSettings(link, source))
        return failure(QString::fromStdString(*problem));
    return {options, {}, false};
}

} // namespace agent
