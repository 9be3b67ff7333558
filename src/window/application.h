// The application object of the program.
#pragma once

#include <QApplication>

#include <memory>

namespace window {

// Creates the application object. When the toolkit finds no display to show
// the window on, the program ends there with one French line on standard
// error and status 1, instead of the toolkit's own abort.
std::unique_ptr<QApplication> createApplication(int& argc, char** argv);

} // namespace window
