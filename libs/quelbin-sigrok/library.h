// The module behind the eight functions, made on the first call. This part
// of the library is never unloaded (it is linked with -z nodelete), while
// libQuelbin.so, the small part that Solvane loads, may be: a thread still in
// a libsigrok call when libQuelbin.so goes away finishes it here, safely.
#pragma once

#include "acquisition.h"
#include "modulestate.h"

namespace solvane::sigrok {

struct Library {
    Library();

    ModuleState state;
    Acquisition acquisition;
};

Library& library();

// Ends the library within `bound` whatever the device is doing: called as
// libQuelbin.so unloads or the process ends, possibly under the loader's
// lock, so it never waits longer. A thread that has not ended by then is
// left to finish its call; the next call of library() makes a new one.
void releaseLibrary(std::chrono::milliseconds bound);

} // namespace solvane::sigrok
