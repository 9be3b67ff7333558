// The window's font, which differs between the operating systems, one
// source per platform (windowfont_unix.cpp, windowfont_win.cpp). Part of the
// window's library: the window-free part of the program needs no font.
#pragma once

#include <QFont>

namespace platform {

// The size of the designed platform's dialog font, in points.
inline constexpr int designedPointSize = 8;

// The font whose text metrics the window's designed positions and sizes
// assume: the designed platform's default dialog font, or one with the same
// metrics, at the designed size.
QFont windowFont();

} // namespace platform
