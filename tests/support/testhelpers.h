// Small helpers shared by the tests.
#pragma once

#include "platform/runtimeerror.h"

#include <QLocale>
#include <QStringList>

#include <optional>

class QComboBox;
class QProcess;
class QProcessEnvironment;

// Sets the default locale for the scope, then puts the previous one back.
class DefaultLocale {
public:
    explicit DefaultLocale(const QLocale& locale);
    ~DefaultLocale();
    DefaultLocale(const DefaultLocale&) = delete;
    DefaultLocale& operator=(const DefaultLocale&) = delete;

private:
    QLocale m_previous;
};

extern const QLocale frenchLocale;
extern const QLocale englishLocale;

// The texts of a combo box's entries, in order.
QStringList itemTexts(const QComboBox* box);

// Starts the program with the environment and waits for it to end; false if
// it has not ended after 20 s (it is then killed).
bool runToEnd(QProcess& process, const QString& program, const QProcessEnvironment& environment);

// The number of the run-time error the call raises, if any.
template <typename F> std::optional<platform::ErrorNumber> raisedBy(F&& call) {
    try {
        call();
    } catch (const platform::RuntimeError& e) {
        return e.number();
    }
    return std::nullopt;
}
