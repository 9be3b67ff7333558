#include "windowundertest.h"

#include "window/errorreport.h"

#include <QTimer>

WindowUnderTest::WindowUnderTest(ScriptedLibrary& library)
    : m_window(std::make_unique<frmPrincipale>()) {
    m_window->tmrMiseÀJour->stop();
    library.clearCalls();
}

WindowUnderTest::~WindowUnderTest() = default;

void WindowUnderTest::tick() {
    window::runHandler([this] { m_window->tmrMiseÀJour_Timer(); });
}

void WindowUnderTest::ticks(int count) {
    for (int i = 0; i < count; ++i)
        tick();
}
