// How long a library stays in the process once a thread of its own runs (the
// MQTT library's link, the recording library's writer).
#pragma once

namespace solvane {

// On Windows, the library stays loaded until the process ends: unloading
// would stop its thread under the loader's lock, which that thread needs to
// end, and the program would hang. Solvane keeps the library for its whole
// run anyway. Elsewhere, unloading stops the thread.
void stayLoaded();

// Whether the library's state is torn down, its thread stopped, as its
// statics go. Elsewhere that is at unload. On Windows it is only as the
// process ends, after Windows has ended the thread wherever it was, a lock
// held perhaps: stopping the thread then crashes or hangs, and the system
// frees everything anyway.
bool tearDownAtUnload();

} // namespace solvane
