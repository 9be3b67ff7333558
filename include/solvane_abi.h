// Calling convention and export marker shared by the two run-time libraries.
// The module maker's library is a 32-bit Windows DLL using the standard
// Windows convention (__stdcall); every other target uses the platform's C
// convention.
#ifndef SOLVANE_ABI_H
#define SOLVANE_ABI_H

#if defined(_WIN32) && !defined(_WIN64)
#define SOLVANE_CALL __stdcall
#else
#define SOLVANE_CALL
#endif

// On Windows a module-definition (.def) file names the exports: it alone gives
// the plain names ("getDevice") that Solvane looks up, where dllexport would
// give the decorated __stdcall ones ("getDevice@12"). Elsewhere the functions
// must be visible for the linker's export list to keep them.
#if defined(_WIN32)
#define SOLVANE_EXPORT
#else
#define SOLVANE_EXPORT __attribute__((visibility("default")))
#endif

#endif
