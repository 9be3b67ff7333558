// The conversion library's interface: each function decodes one element of a
// sensor's raw data, read from `element` onwards. Solvane loads the library by
// name at run time ("Tarvox": libTarvox.so, Tarvox.dll).
//
// The bundled implementation reads little-endian values without alignment
// assumptions; Bool is -1 for any non-zero byte and 0 otherwise.
#ifndef TARVOX_H
#define TARVOX_H

#include "solvane_abi.h"

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

int16_t SOLVANE_CALL Tarvox_ToBOOL(const uint8_t* element);
uint8_t SOLVANE_CALL Tarvox_ToINT1(const uint8_t* element);
int16_t SOLVANE_CALL Tarvox_ToINT2(const uint8_t* element);
int32_t SOLVANE_CALL Tarvox_ToINT4(const uint8_t* element);
float SOLVANE_CALL Tarvox_ToREAL4(const uint8_t* element);
double SOLVANE_CALL Tarvox_ToREAL8(const uint8_t* element);

#ifdef __cplusplus
}
#endif

#endif
