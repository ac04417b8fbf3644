// Fuzz target for the staging database's statements: the input is one statement text, run
// on a fresh staging database holding one small table; exports go to a temporary folder.

#include "db/connection.h"

#include <sqlite3.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

struct Workspace
{
    Workspace()
    {
        char pattern[] = "/tmp/tw-fuzz-staging-XXXXXX";
        folder = ::mkdtemp(pattern);
        file = folder + "/dbtemp.mdb";
    }

    ~Workspace() { std::filesystem::remove_all(folder); }

    std::string folder;
    std::string file;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static Workspace workspace;
    std::filesystem::remove(workspace.file);
    for (const auto &entry : std::filesystem::directory_iterator(workspace.folder)) {
        std::filesystem::remove_all(entry.path());
    }
    sqlite3 *db = nullptr;
    sqlite3_open(workspace.file.c_str(), &db);
    sqlite3_exec(db, "PRAGMA user_version = 1", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    try {
        tw::db::Connection staging;
        staging.open("PROVIDER=Microsoft.Jet.OLEDB.4.0;Data Source=" + workspace.file + ";");
        staging.execute("CREATE TABLE `T`(`A`TEXT,`B`INT,`C`DATETIME,`D`OLEOBJECT);");
        staging.execute("INSERT INTO `T` VALUES('x', '12.5', '2021-08-31', 'FF00')");
        std::string statement(reinterpret_cast<const char *>(data), size);
        // Exports stay in the workspace.
        const std::string folderMark = "$DIR";
        for (std::size_t at = statement.find(folderMark); at != std::string::npos;
             at = statement.find(folderMark, at + workspace.folder.size())) {
            statement.replace(at, folderMark.size(), workspace.folder);
        }
        staging.execute(statement);
    } catch (const std::exception &) {
    }
    return 0;
}
