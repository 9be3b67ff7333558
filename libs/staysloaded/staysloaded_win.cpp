#include "staysloaded.h"

#include <windows.h>

namespace solvane {

void stayLoaded() {
    HMODULE self = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                       reinterpret_cast<LPCWSTR>(&stayLoaded), &self);
}

bool tearDownAtUnload() {
    return false;
}

} // namespace solvane
