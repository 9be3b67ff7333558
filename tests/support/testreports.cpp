#include "testreports.h"

#include "platform/messagebox.h"

TestReports::TestReports() {
    platform::setEndingStep([this](const platform::RuntimeError& error) {
        reports.push_back({error.number(), error.description()});
    });
    platform::setMessagePresenter([this](const QString&, const QString& text) { boxes << text; });
}

TestReports::~TestReports() {
    platform::setEndingStep({});
    platform::setMessagePresenter({});
}

QString reportTexts(const TestReports& recorded) {
    QStringList lines;
    for (const RecordedReport& r : recorded.reports)
        lines << QString::number(static_cast<int>(r.number)) + QLatin1Char(' ') + r.description;
    return lines.join(QLatin1Char('\n'));
}
