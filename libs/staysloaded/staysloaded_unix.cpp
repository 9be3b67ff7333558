#include "staysloaded.h"

namespace solvane {

void stayLoaded() {}

bool tearDownAtUnload() {
    return true;
}

} // namespace solvane
