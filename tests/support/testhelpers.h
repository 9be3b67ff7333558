// Small helpers shared by the tests.
#pragma once

#include "platform/runtimeerror.h"

#include <QLocale>
#include <QStringList>

#include <optional>

class QComboBox;

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

// The number of the run-time error the call raises, if any.
template <typename F> std::optional<platform::ErrorNumber> raisedBy(F&& call) {
    try {
        call();
    } catch (const platform::RuntimeError& e) {
        return e.number();
    }
    return std::nullopt;
}
