// The yardstick for start-up: a plain Qt window with the same ten controls
// as the program's window, the same size and places, and no logic.
#include "shownprobe.h"

#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSlider>

int main(int argc, char* argv[]) {
    const long long mainNs = benchprobe::monotonicNs();
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Bare"));
    window.setFixedSize(461, 340);
    auto* button = new QPushButton(QStringLiteral("Exécuter"), &window);
    button->setGeometry(216, 264, 89, 65);
    auto* status = new QLabel(QStringLiteral("Module d'acquisition:"), &window);
    status->setGeometry(16, 8, 217, 17);
    auto* devices = new QLabel(QStringLiteral("Nombre de senseurs: "), &window);
    devices->setGeometry(248, 8, 209, 17);
    auto* commands = new QComboBox(&window);
    commands->setEditable(true);
    commands->setGeometry(16, 304, 193, 21);
    auto* commandCount = new QLabel(QStringLiteral("Nombre de commandes: "), &window);
    commandCount->setGeometry(24, 272, 169, 17);
    auto* sensors = new QComboBox(&window);
    sensors->setGeometry(16, 32, 177, 21);
    for (int i = 0; i < 32; ++i)
        sensors->addItem(QString::number(i));
    auto* log = new QListWidget(&window);
    log->setGeometry(16, 88, 425, 147);
    auto* slider = new QSlider(Qt::Horizontal, &window);
    slider->setGeometry(320, 264, 121, 9);
    slider->setRange(1, 5);
    slider->setValue(3);
    auto* rate = new QLabel(QStringLiteral("Rafraîchi 1.67/ fois sec."), &window);
    rate->setGeometry(320, 296, 129, 17);
    auto* timer = new QTimer(&window);
    timer->setInterval(600);
    timer->start();

    // --log: no probe; every 200 ms a line shaped like the program's Real8
    // line goes on top of the list, the floor of what that repaint costs.
    if (QCoreApplication::arguments().contains(QStringLiteral("--log"))) {
        log->setUniformItemSizes(true);
        timer->setInterval(200);
        int header = 0;
        QObject::connect(timer, &QTimer::timeout, log, [log, &header] {
            QString line = QString::number(++header) + QStringLiteral(";128;");
            for (int i = 0; i < 16; ++i)
                line += QString::number(176.0 + 0.01 * ((header * 7 + i * 13) % 100), 'f', 5) +
                        QStringLiteral(" | ");
            log->insertItem(0, line);
            if (log->count() > 1000)
                log->clear();
        });
        window.show();
        return QApplication::exec();
    }
    return benchprobe::showAndReport(window, mainNs);
}
