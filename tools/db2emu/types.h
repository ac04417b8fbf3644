#pragma once

// Db2's column types: what the CLI says of each (Column's members) and the limits CREATE
// TABLE holds a type's length, precision or scale to.

#include "engine.h"

namespace db2emu {

// Refuses a length, precision or scale beyond Db2's limit for the type (SQL0604N, 42611).
void checkAttributes(const Column &column);
[[noreturn]] void refuseAttributes(const std::string &column);

} // namespace db2emu
