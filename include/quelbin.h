// The acquisition library's interface: what a module maker implements so that
// Solvane can watch its module. Solvane loads the library by name at run time
// ("Quelbin": libQuelbin.so, Quelbin.dll) and never links against it.
//
// Name buffers are 128 bytes of 8-bit text, both ways: on Windows in the
// system's ANSI code page (the one GetACP returns), elsewhere in Windows-1252;
// a name shorter than 128 bytes ends with a zero byte. The library writes only within the buffers
// and counts it is given; raw data never exceed 128 bytes.
#ifndef QUELBIN_H
#define QUELBIN_H

#include "solvane_abi.h"

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

enum { QUELBIN_NAME_SIZE = 128, QUELBIN_RAW_SIZE = 128 };

/* Above 0 while the module is connected. */
int32_t SOLVANE_CALL getNbAcqui(void);
/* Number of sensors, at most 32 are shown. */
int32_t SOLVANE_CALL getNbDevices(void);
/* Writes the sensor's name and data-type code; returns 0 when the sensor cannot be read. */
int16_t SOLVANE_CALL getDevice(int32_t index, char name[QUELBIN_NAME_SIZE], int32_t* dataType);
/* Number of commands the module offers. */
int32_t SOLVANE_CALL getNbCommands(void);
/* Writes command `index`'s name; the result is not used. */
int32_t SOLVANE_CALL getCommandName(int32_t index, char name[QUELBIN_NAME_SIZE]);
/* Has the module execute command `index`; the result is not used. */
int32_t SOLVANE_CALL addCommand(int32_t index);
/* Writes the header value and the number of raw bytes getRawData delivers (at most 128). */
int32_t SOLVANE_CALL getRawDataInfo(int32_t index, int32_t* header, int32_t* byteCount);
/* Writes the sensor's latest raw bytes from position 0. */
int32_t SOLVANE_CALL getRawData(int32_t index, uint8_t data[QUELBIN_RAW_SIZE]);

/* Optional: a library may leave it out, and Solvane then shows nothing more
   and reports nothing. Writes, in one line, what the library last said of the
   module's link: while getNbAcqui reads 0, why (a setting missing, a device
   not found, a password refused); an empty text when it has nothing to say.
   Solvane shows it in the connection label's tooltip. The text follows the
   rules of the name buffers: 128 bytes, the system's code page, a zero byte
   after a shorter text. The result is not used. */
int32_t SOLVANE_CALL getStatusText(char text[QUELBIN_NAME_SIZE]);

#ifdef __cplusplus
}
#endif

#endif
