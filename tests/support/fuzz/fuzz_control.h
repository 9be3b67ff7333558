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

#ifdef __cplusplus
}
#endif

#endif
