// The command list: keeps the window's command list and its label in step
// with the commands the module offers.
#pragma once

#include "acquisition/quelbinlibrary.h"

#include <cstdint>
#include <vector>

namespace modCommandes {

// Creates the name table with upper bound 16 and forgets the listed count.
void InitCommands();
// Rebuilds the list when the library's command count changed.
void RefreshCommandList();

// The command count for which the list was last built.
void SetKnownCommandCount(std::int16_t count);
std::int16_t GetKnownCommandCount();

// The name table: entry i holds command i's last 128 bytes, including
// whatever an older, longer name left after the zero byte.
const std::vector<quelbin::NameBuffer>& GetCommandNames();

} // namespace modCommandes
