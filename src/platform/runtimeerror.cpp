#include "runtimeerror.h"

namespace platform {

RuntimeError::RuntimeError(ErrorNumber number, QString description)
    : m_number(number), m_description(std::move(description)), m_what(m_description.toUtf8()) {}

const char* RuntimeError::what() const noexcept {
    return m_what.constData();
}

QString standardDescription(ErrorNumber number) {
    switch (number) {
    case ErrorNumber::Overflow:
        return QStringLiteral("Dépassement de capacité");
    case ErrorNumber::OutOfMemory:
        return QStringLiteral("Mémoire insuffisante");
    case ErrorNumber::IndexOutOfRange:
        return QStringLiteral("L'indice n'appartient pas à la sélection");
    case ErrorNumber::DivisionByZero:
        return QStringLiteral("Division par zéro");
    case ErrorNumber::LibraryNotLoaded:
        return QStringLiteral("Erreur de chargement de la bibliothèque");
    case ErrorNumber::Internal:
        return QStringLiteral("Erreur interne");
    case ErrorNumber::InvalidControlValue:
        return QStringLiteral("Valeur de propriété non valide");
    case ErrorNumber::FunctionNotFound:
        return QStringLiteral("Point d'entrée introuvable dans la bibliothèque");
    }
    return QStringLiteral("Erreur d'exécution");
}

void raise(ErrorNumber number) {
    throw RuntimeError(number, standardDescription(number));
}

void raise(ErrorNumber number, const QString& description) {
    throw RuntimeError(number, description);
}

} // namespace platform
