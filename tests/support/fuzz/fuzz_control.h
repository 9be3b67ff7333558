// Control entry point of the fuzzing acquisition library, looked up by tests
// next to the ordinary acquisition functions.
#ifndef SOLVANE_FUZZ_CONTROL_H
#define SOLVANE_FUZZ_CONTROL_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Forgets all state and restarts the answers from `seed`: the same seed and the
   same sequence of calls give the same answers. */
void fuzz_seed(uint64_t seed);

/* From now on, every name and raw-data write goes on for `bytes` bytes past
   the buffer's 128, as a careless library's would (0 stops it). */
void fuzz_overrun(int32_t bytes);

/* The last answer of getNbDevices, and how many calls it has had. */
int32_t fuzz_lastNbDevices(void);
int32_t fuzz_nbDevicesCalls(void);

#ifdef __cplusplus
}
#endif

#endif
