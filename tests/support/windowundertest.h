// The real window over the scripted acquisition library, with reports and
// message boxes recorded instead of ending the process or waiting.
#pragma once

#include "scriptedlibrary.h"
#include "testreports.h"
#include "window/frmprincipale.h"

#include <memory>

class WindowUnderTest {
public:
    // Builds the window (its load handler runs against what the script says
    // at that moment). The timer is stopped so that only tick() drives it;
    // the calls of the load handler are cleared.
    explicit WindowUnderTest(ScriptedLibrary& library);
    ~WindowUnderTest();

    frmPrincipale& window() { return *m_window; }
    frmPrincipale* operator->() { return m_window.get(); }

    // One timer tick, through the same guard as the real timer.
    void tick();
    void ticks(int count);

    TestReports reports;

private:
    std::unique_ptr<frmPrincipale> m_window;
};
