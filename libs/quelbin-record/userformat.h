// The recording's default format: the one a spreadsheet set like the user's
// session expects. Where the decimal mark is a comma (France), fields are
// separated by ';' and decimals written with ','; elsewhere ',' and '.'.
#pragma once

#include "csvfields.h"

namespace solvane::record {

recording::CsvFormat userFormat();

} // namespace solvane::record
