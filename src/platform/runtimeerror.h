// The run-time errors that end the program: their numbers, their standard
// French descriptions, and the exception that carries one to the handler
// that reports it (window/errorreport.h; the agent reports them itself).
#pragma once

#include <QString>

#include <exception>

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

} // namespace platform
