#pragma once

namespace tw {

// Called before each rename, link or removal of a table's file in an operation that must
// leave the folder whole whenever the program is killed.
void fileStep() noexcept;

// For tests of what a killed program leaves behind: the process ends at once, as if killed,
// at the n-th file step from now (counting from 1); 0 turns it off.
void endProcessAtFileStep(int n) noexcept;

} // namespace tw
