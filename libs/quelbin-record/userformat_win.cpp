#include "userformat.h"

#include <windows.h>

namespace solvane::record {

recording::CsvFormat userFormat() {
    // The user's regional settings, as the spreadsheet reads them.
    wchar_t mark[8] = {};
    if (GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SDECIMAL, mark, 8) > 0 && mark[0] == L',')
        return recording::semicolonFormat;
    return recording::commaFormat;
}

} // namespace solvane::record
