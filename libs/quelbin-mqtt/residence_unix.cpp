#include "residence.h"

namespace solvane::mqtt {

void stayLoaded() {}

} // namespace solvane::mqtt
