#include "application.h"

#include <QList>

#include <cstdio>
#include <cstdlib>
#include <utility>

namespace window {

namespace {

struct HeldMessage {
    QtMsgType type;
    QByteArray category;
    QString text;
};

QList<HeldMessage>& heldMessages() {
    static QList<HeldMessage> messages;
    return messages;
}

// While the application object is created, the toolkit's messages are held
// back: on failure only our own line is printed, on success they are passed
// on unchanged.
void holdOrEnd(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type != QtFatalMsg) {
        heldMessages().append({type, QByteArray(context.category), text});
        return;
    }
    // The only fatal message of this step: no platform plugin could open a
    // display.
    std::fputs(QStringLiteral("Solvane: aucun affichage n'est disponible, la fenêtre ne peut pas "
                              "s'ouvrir.\n")
                   .toLocal8Bit()
                   .constData(),
               stderr);
    std::fflush(nullptr);
    std::_Exit(1);
}

} // namespace

std::unique_ptr<QApplication> createApplication(int& argc, char** argv) {
    const QtMessageHandler previous = qInstallMessageHandler(holdOrEnd);
    auto application = std::make_unique<QApplication>(argc, argv);
    qInstallMessageHandler(previous);
    for (const HeldMessage& message : std::exchange(heldMessages(), {})) {
        const QMessageLogContext context(nullptr, 0, nullptr, message.category.constData());
        qt_message_output(message.type, context, message.text);
    }
    return application;
}

} // namespace window
