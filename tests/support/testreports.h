// Watches the program's run-time error reports and message boxes during a
// test, instead of ending the process or waiting for an operator.
#pragma once

#include "platform/runtimeerror.h"

#include <QString>
#include <QStringList>

#include <vector>

struct RecordedReport {
    platform::ErrorNumber number;
    QString description;
};

class TestReports {
public:
    TestReports();  // installs the recorders
    ~TestReports(); // restores the real ending step and boxes

    std::vector<RecordedReport> reports;
    QStringList boxes; // the text of every message box shown
};

// The recorded run-time errors, one a line ("6 Dépassement de capacité"), for
// a failure message.
QString reportTexts(const TestReports& recorded);
