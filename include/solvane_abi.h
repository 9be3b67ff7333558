// Calling convention and export marker shared by the two run-time libraries.
// The original module is a 32-bit Windows DLL using the standard Windows
// convention; every other target uses the platform's C convention.
#ifndef SOLVANE_ABI_H
#define SOLVANE_ABI_H

#if defined(_WIN32) && !defined(_WIN64)
#define SOLVANE_CALL __stdcall
#else
#define SOLVANE_CALL
#endif

#if defined(_WIN32)
#define SOLVANE_EXPORT __declspec(dllexport)
#else
#define SOLVANE_EXPORT __attribute__((visibility("default")))
#endif

#endif
