// An acquisition library that lacks all but its first function, to check
// that a missing function is reported by name.
#include <quelbin.h>

extern "C" SOLVANE_EXPORT int32_t SOLVANE_CALL getNbAcqui(void) {
    return 1;
}
