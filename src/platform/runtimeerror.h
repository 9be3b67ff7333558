// The run-time errors that end the program, and the one place that reports them.
#pragma once

#include <QString>

#include <exception>
#include <functional>

namespace platform {

// The error numbers the operator sees in the report.
enum class ErrorNumber : int {
    OutOfMemory = 7,
    Overflow = 6,
    IndexOutOfRange = 9,
    DivisionByZero = 11,
    LibraryNotLoaded = 48,
    Internal = 51,
    InvalidControlValue = 380,
    FunctionNotFound = 453,
};

class RuntimeError : public std::exception {
public:
    RuntimeError(ErrorNumber number, QString description);

    ErrorNumber number() const { return m_number; }
    const QString& description() const { return m_description; }
    const char* what() const noexcept override;

private:
    ErrorNumber m_number;
    QString m_description;
    QByteArray m_what;
};

// The standard French description of an error number.
QString standardDescription(ErrorNumber number);

// Throws the error with its standard description.
[[noreturn]] void raise(ErrorNumber number);
[[noreturn]] void raise(ErrorNumber number, const QString& description);

// Shows the report (a modal box titled "Solvane"), writes it to standard
// error and runs the ending step, which by default ends the process with
// status 1. Tests replace the ending step to watch reports without dying.
void reportRuntimeError(const RuntimeError& error);

using EndingStep = std::function<void(const RuntimeError& error)>;
void setEndingStep(EndingStep step); // an empty step restores the default

// Runs one handler; a run-time error, or any other exception, stops it and
// is reported. No exception ever leaves: Qt's event loop must not be
// unwound. While one of the program's modal boxes is open no handler runs (a
// timer tick would otherwise re-enter the handler that opened it).
void runHandler(const std::function<void()>& handler) noexcept;

} // namespace platform
