#include "staysloaded.h"

namespace solvane::mqtt {

void stayLoaded() {}

bool tearDownAtUnload() {
    return true;
}

} // namespace solvane::mqtt
