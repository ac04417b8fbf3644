#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace tw::paradox {

// The files that make up one table: NAME.db and its companions (.MB, .PX, .Xnn, .Ynn, .XGn,
// .YGn, .VAL, .TV, .TVF, .FAM), found ignoring letter case, so a table can be deleted or
// renamed whole. The .db itself (spelled exactly as given) comes first, when it exists.
std::vector<std::filesystem::path> tableFamily(const std::filesystem::path &dbPath);

// The UTF-8 text with letter case folded (ASCII, Latin-1, Latin Extended-A, Greek and
// Cyrillic capitals to small), for matching table names the way a case-blind file system does.
std::string foldCase(std::string_view utf8);

// True when the extension (with its dot, any letter case) belongs to a table's family.
bool isFamilyExtension(const std::string &extension);

} // namespace tw::paradox
