#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace tw::paradox {

// The files that make up one table: NAME.db and its companions (.MB, .PX, .Xnn, .Ynn, .XGn,
// .YGn, .VAL, .TV, .TVF, .FAM), found ignoring letter case, so a table can be deleted or
// renamed whole. The .db itself (spelled exactly as given) comes first, when it exists.
std::vector<std::filesystem::path> tableFamily(const std::filesystem::path &dbPath);

// True when the extension (with its dot, any letter case) belongs to a table's family.
bool isFamilyExtension(const std::string &extension);

} // namespace tw::paradox
