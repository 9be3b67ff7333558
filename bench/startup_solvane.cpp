// Start-up of the real window, built like the program's own main: the
// window's load handler runs, the window is shown, and the probe reports
// when its first paint is done.
#include "shownprobe.h"
#include "window/frmprincipale.h"

int main(int argc, char* argv[]) {
    const long long mainNs = benchprobe::monotonicNs();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Solvane"));
    QApplication::setApplicationVersion(QStringLiteral("1.00"));
    frmPrincipale window;
    return benchprobe::showAndReport(window, mainNs);
}
