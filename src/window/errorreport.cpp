#include "errorreport.h"

#include "messagebox.h"

#include <QGuiApplication>

#include <cstdio>
#include <cstdlib>
#include <new>

namespace window {

namespace {

using platform::ErrorNumber;
using platform::RuntimeError;
using platform::standardDescription;

EndingStep& endingStep() {
    static EndingStep step;
    return step;
}

void endProcess(int status) {
    std::fflush(nullptr);
    // Quick exit: the report may come from deep inside a handler, with the
    // application object still alive on main's stack.
    std::_Exit(status);
}

// On a platform without a screen nobody can close the box, so the report
// goes to standard error only; anything else would hang the process.
bool hasScreen() {
    const QString name = QGuiApplication::platformName();
    return !name.isEmpty() && name != QLatin1String("offscreen") &&
           name != QLatin1String("minimal");
}

} // namespace

void reportRuntimeError(const RuntimeError& error) {
    const QString text = QStringLiteral("Erreur d'exécution %1 :\n%2")
                             .arg(static_cast<int>(error.number()))
                             .arg(error.description());
    std::fprintf(stderr, "Solvane: %s\n", qPrintable(text.simplified()));
    std::fflush(stderr);
    if (hasScreen())
        presentModal(QStringLiteral("Solvane"), text);
    if (endingStep())
        endingStep()(error);
    else
        endProcess(1);
}

void setEndingStep(EndingStep step) {
    endingStep() = std::move(step);
}

void runHandler(const std::function<void()>& handler) noexcept {
    if (isModalBoxOpen())
        return;
    try {
        handler();
    } catch (const RuntimeError& e) {
        reportRuntimeError(e);
    } catch (const std::bad_alloc&) {
        reportRuntimeError(
            RuntimeError(ErrorNumber::OutOfMemory, standardDescription(ErrorNumber::OutOfMemory)));
    } catch (const std::exception& e) {
        reportRuntimeError(RuntimeError(
            ErrorNumber::Internal, standardDescription(ErrorNumber::Internal) +
                                       QStringLiteral(" : ") + QString::fromLocal8Bit(e.what())));
    } catch (...) {
        // Anything else thrown (an int, a foreign type) carries no text of
        // its own, but must still end in the report rather than terminate().
        reportRuntimeError(
            RuntimeError(ErrorNumber::Internal, standardDescription(ErrorNumber::Internal)));
    }
}

} // namespace window
