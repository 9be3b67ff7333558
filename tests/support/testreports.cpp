#include "testreports.h"

#include "window/errorreport.h"
#include "window/messagebox.h"

TestReports::TestReports() {
    window::setEndingStep([this](const platform::RuntimeError& error) {
        reports.push_back({error.number(), error.description()});
    });
    window::setMessagePresenter([this](const QString&, const QString& text) { boxes << text; });
}

TestReports::~TestReports() {
    window::setEndingStep({});
    window::setMessagePresenter({});
}

QString reportTexts(const TestReports& recorded) {
    QStringList lines;
    for (const RecordedReport& r : recorded.reports)
        lines << QString::number(static_cast<int>(r.number)) + QLatin1Char(' ') + r.description;
    return lines.join(QLatin1Char('\n'));
}
