// The system's words for an error code, in UTF-8 (Windows).
#pragma once

#include <string>

namespace solvane::record {

std::string systemMessage(unsigned long error);

} // namespace solvane::record
