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
