#include "testhelpers.h"

#include <QComboBox>
#include <QProcess>

DefaultLocale::DefaultLocale(const QLocale& locale) {
    QLocale::setDefault(locale);
}
DefaultLocale::~DefaultLocale() {
    QLocale::setDefault(m_previous);
}

const QLocale frenchLocale(QLocale::French, QLocale::France);
const QLocale englishLocale(QLocale::English, QLocale::UnitedStates);

QStringList itemTexts(const QComboBox* box) {
    QStringList texts;
    for (int i = 0; i < box->count(); ++i)
        texts << box->itemText(i);
    return texts;
}

bool runToEnd(QProcess& process, const QString& program, const QProcessEnvironment& environment) {
    process.setProcessEnvironment(environment);
    process.start(program, {});
    if (process.waitForStarted() && process.waitForFinished(20000))
        return true;
    process.kill();
    process.waitForFinished();
    return false;
}
