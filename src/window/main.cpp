// Solvane: watches a data-acquisition module through its run-time library.
#include "frmprincipale.h"
#include "platform/application.h"

int main(int argc, char* argv[]) {
    // Without a display the program ends here with one French line.
    const auto application = platform::createApplication(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Solvane"));
    QApplication::setApplicationVersion(QStringLiteral("1.00"));

    frmPrincipale window; // runs the load handler; an error there ends the program
    window.show();
    return QApplication::exec();
}
