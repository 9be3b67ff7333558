// Control side of the scripted acquisition library: a test sets every answer
// and reads back each call the library received, with its arguments.
#ifndef SCRIPT_CONTROL_H
#define SCRIPT_CONTROL_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Forgets every answer and every recorded call: 0 everywhere, no sensors,
   no commands, no raw data. */
void script_reset(void);

/* Steady answers. */
void script_setNbAcqui(int32_t value);
void script_setNbDevices(int32_t value);
void script_setNbCommands(int32_t value);
/* One-off answers, used in order before the steady one. */
void script_pushNbDevices(int32_t value);
void script_pushNbCommands(int32_t value);

/* What getDevice writes for `index`: `length` bytes of `name` (a zero byte
   follows when length < 128; length -1 writes no name), the type code (unless
   writesType is 0), and the result. */
void script_setDevice(int32_t index, const char* name, int32_t length, int32_t dataType,
                      int32_t writesType, int16_t result);
/* What getCommandName writes for `index`, in the same way. */
void script_setCommandName(int32_t index, const char* name, int32_t length);
/* What getRawDataInfo and getRawData write for `index`. */
void script_setRawData(int32_t index, int32_t header, int32_t byteCount, const uint8_t* bytes,
                       int32_t length);
/* From now on getRawDataInfo and getRawData write nothing for `index`. */
void script_forgetRawData(int32_t index);
/* What getStatusText writes, in the same way as a name. The library is built
   twice, with and without that function among its exports. */
void script_setStatusText(const char* text, int32_t length);

/* Calls received since the last reset or clear: "getDevice(1)" and so on. */
int32_t script_callCount(void);
const char* script_call(int32_t i);
/* The 128 bytes a name buffer held when call i received it; NULL when call i
   took no name buffer. */
const char* script_callBuffer(int32_t i);
void script_clearCalls(void);

#ifdef __cplusplus
}
#endif

#endif
