// Solvane: watches a data-acquisition module through its run-time library.
#include "frmprincipale.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Solvane"));
    QApplication::setApplicationVersion(QStringLiteral("1.00"));

    frmPrincipale window; // runs the load handler; an error there ends the program
    window.show();
    return QApplication::exec();
}
