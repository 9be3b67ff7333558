// Solvane: watches a data-acquisition module through its run-time library.
#include "application.h"
#include "frmprincipale.h"

int main(int argc, char* argv[]) {
    // Without a display the program ends here with one French line.
    const auto application = window::createApplication(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Solvane"));
    QApplication::setApplicationVersion(QStringLiteral("1.00"));

    frmPrincipale window; // runs the load handler; an error there ends the program
    window.show();
    return QApplication::exec();
}
