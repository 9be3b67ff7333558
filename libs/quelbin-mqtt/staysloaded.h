// How long the library stays in the process once its link runs.
#pragma once

namespace solvane::mqtt {

// On Windows, the library stays loaded until the process ends: unloading
// would stop the link's thread under the loader's lock, which that thread
// needs to end, and the program would hang. Solvane keeps the library for
// its whole run anyway. Elsewhere, unloading stops the link.
void stayLoaded();

// Whether the library's state is torn down, its link stopped, as its statics
// go. Elsewhere that is at unload. On Windows it is only as the process ends,
// after Windows has ended the link's thread wherever it was, a lock held
// perhaps: stopping the link then crashes or hangs, and the system frees
// everything anyway.
bool tearDownAtUnload();

} // namespace solvane::mqtt
