// The one place that reports the run-time errors of the window's handlers:
// a modal box and a line on standard error, then the end of the program.
#pragma once

#include "platform/runtimeerror.h"

#include <functional>

namespace window {

// Shows the report (a modal box titled "Solvane"), writes it to standard
// error and runs the ending step, which by default ends the process with
// status 1. Tests replace the ending step to watch reports without dying.
void reportRuntimeError(const platform::RuntimeError& error);

using EndingStep = std::function<void(const platform::RuntimeError& error)>;
void setEndingStep(EndingStep step); // an empty step restores the default

// Runs one handler; a run-time error, or any other exception, stops it and
// is reported. No exception ever leaves: Qt's event loop must not be
// unwound. While one of the program's modal boxes is open no handler runs (a
// timer tick would otherwise re-enter the handler that opened it).
void runHandler(const std::function<void()>& handler) noexcept;

} // namespace window
