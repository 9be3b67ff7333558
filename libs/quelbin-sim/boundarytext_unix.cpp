#include "boundarytext.h"

namespace solvane::sim {

std::string toBoundaryText(const char* western) {
    return western;
}

} // namespace solvane::sim
