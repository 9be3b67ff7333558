#include "userformat.h"

#include <langinfo.h>
#include <locale.h>

#include <cstring>

namespace solvane::record {

recording::CsvFormat userFormat() {
    // The session's own (LC_ALL, LC_NUMERIC, LANG), without touching the
    // process's locale, which is the program's.
    const locale_t session = ::newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(0));
    if (session == static_cast<locale_t>(0))
        return recording::commaFormat;
    const bool comma = std::strcmp(::nl_langinfo_l(RADIXCHAR, session), ",") == 0;
    ::freelocale(session);
    return comma ? recording::semicolonFormat : recording::commaFormat;
}

} // namespace solvane::record
