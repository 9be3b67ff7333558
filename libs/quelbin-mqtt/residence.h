// How long the library stays in the process once its link runs.
#pragma once

namespace solvane::mqtt {

// On Windows, the library stays loaded until the process ends: unloading
// would stop the link's thread under the loader's lock, which that thread
// needs to end, and the program would hang. Solvane keeps the library for
// its whole run anyway. Elsewhere, unloading stops the link.
void stayLoaded();

} // namespace solvane::mqtt
