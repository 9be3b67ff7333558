// Names cross the library boundary in the system's ANSI code page on Windows
// and in Windows-1252 elsewhere, as the program decodes them. The simulated
// module keeps its names in Windows-1252.
#ifndef SOLVANE_SIM_BOUNDARYTEXT_H
#define SOLVANE_SIM_BOUNDARYTEXT_H

#include <string>

namespace solvane::sim {

// `western` (Windows-1252) as the program must receive it. On Windows, a
// letter the system's code page lacks becomes its nearest one there ("é" is
// "e" in code page 1251), never a byte that reads as another letter.
std::string toBoundaryText(const char* western);

} // namespace solvane::sim

#endif
